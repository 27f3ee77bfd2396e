#pragma once
// frmSplashInformation: the progress window of long jobs, modeless and always on top, with a message label and a
// bar from 0 to 100.

#include <QDialog>

class QLabel;
class QProgressBar;

class SplashInformation : public QDialog {
    Q_OBJECT
public:
    explicit SplashInformation(QWidget* parent = nullptr);
    void setMessage(const QString& text);
    void setValue(int value);

    QLabel* Label1 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
};
