#pragma once
class MainForm;
class Program;

// Wires every subsystem into the main window, in order (each connects its handlers, menus and load steps).
void installSubsystems(MainForm& form, Program& program);

// Adds to the program's schema the tables subsystems own that start-up guarantees (the print table ToWord) and the
// rows that ship with them (the question catalogue), so that the schema step creates and fills them. Call before
// StartProgram.
void registerSubsystemTables(Program& program);
