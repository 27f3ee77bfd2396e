#pragma once
class MainForm;
class Program;

namespace healthlog {
// Builds the log search frame and the entry frame's shell, connects the calendar, lets "FindRS" show and hide the
// search frame, and adds the start-up step that loads the newest 100 log entries.
void install(MainForm& form, Program& program);
} // namespace healthlog
