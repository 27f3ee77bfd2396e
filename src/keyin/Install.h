#pragma once
// The key-in subsystem's entry into the main window: the two items of the popup menu "單筆鍵入" (`QVOnlineKeyIn`),
// each opening its dialog modeless; a dialog exists once and a second click brings it to the front.

class MainForm;
class Program;

namespace keyin {

class NmqDialog;
class OverworkDialog;

void install(MainForm& form, Program& program);

// The open dialogs of a window (null while closed); for drivers and tests.
NmqDialog* nmqDialog(MainForm& form);
OverworkDialog* overworkDialog(MainForm& form);

} // namespace keyin
