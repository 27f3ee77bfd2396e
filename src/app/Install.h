#pragma once
class MainForm;
class Program;

// Wires every subsystem into the main window, in order (each connects its handlers, menus and load steps).
void installSubsystems(MainForm& form, Program& program);
