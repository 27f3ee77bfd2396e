#pragma once
class MainForm;
class Program;

namespace reports {
// Fills the period lists at start-up and connects them, the date boxes' calendar and the person panel's actions.
void install(MainForm& form, Program& program);
} // namespace reports
