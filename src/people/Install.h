#pragma once
class MainForm;
class Program;

namespace people {
// Builds the person search panel and its right-click menu items and lets the toolbar key "PersonalHealth" open it.
void install(MainForm& form, Program& program);
} // namespace people
