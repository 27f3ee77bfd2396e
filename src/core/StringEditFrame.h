#pragma once
// The one-line editor StringFrame of the main window: its caption, the line StringFrameSubject naming what is edited,
// the text box StringText and the buttons StringOKButton and StringCancelButton. One edit is pending at a time, held
// here with what its OK does (the caller's own statement, its values bound); showing the editor again replaces the
// pending edit, and its caller may cancel it when what it edits is no longer the one named.

#include <QString>
#include <functional>

class MainForm;

// Lays out and shows the editor over the workspace (a third of the window's width and height, centred) with the
// caption, the subject (what is edited; no line when empty) and the initial text, the focus in the text box. OK hands
// the trimmed text to onOk ("-" when it is empty) and hides the editor; when onOk throws, the error is said in a box
// and the editor stays open with the text, so nothing typed is lost. Cancel hides the editor and stores nothing.
// Returns the number of this edit, for CancelStringEditFrame.
int ShowStringEditFrame(MainForm& form, const QString& caption, const QString& initialText,
                        std::function<void(const QString& value)> onOk, const QString& subject = {});
// Cancels the edit of that number while it is pending, as its Cancel button would: the editor is hidden and nothing
// is stored. Any other edit (a later one, or none) is left alone.
void CancelStringEditFrame(MainForm& form, int edit);

// The value OK hands on: the text trimmed, "-" for an empty text.
QString stringEditValue(const QString& text);
