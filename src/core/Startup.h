#pragma once
// Start-up of the program for a program folder: the database beside the program (created when missing) with its
// schema, and the program-wide texts. The window is built by the caller (main or a test) after this succeeded.

class Program;

// Opens DataBase/TolvarenDB.sqlite (creating the folder and the file when missing), runs EnsureDatabaseSchema, sets
// NursingBookColumns and empties VardelDBPath. When the database cannot be opened or its schema cannot be completed
// it says so in a message box and returns false; nothing else runs then. A database that cannot be written is said
// in a warning, and the program starts with it.
bool StartProgram(Program& program);
