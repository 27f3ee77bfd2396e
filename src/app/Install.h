#pragma once
class MainForm;
class Program;

// Wires every subsystem into the main window, in order (each connects its handlers, menus and load steps).
void installSubsystems(MainForm& form, Program& program);

// Registers the rows that ship with subsystems' tables (the question catalogue), so that the start-up schema step
// inserts them when it creates those tables. Call before StartProgram.
void registerShippedRows();
