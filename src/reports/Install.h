#pragma once
class MainForm;
class Program;

namespace reports {
// Builds the report frame and registers the report builders of this folder; fills the search period list at
// start-up and connects it, the date boxes' calendar and the person panel's actions.
void install(MainForm& form, Program& program);
} // namespace reports
