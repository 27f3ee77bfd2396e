#include "core/SplashInformation.h"

#include "core/Helpers.h"
#include "core/Program.h"

#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

SplashInformation::SplashInformation(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmSplashInformation"));
    setWindowTitle(Program::title());
    setModal(false);
    setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    auto* layout = new QVBoxLayout(this);
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    Label1->setMinimumWidth(360);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    layout->addWidget(Label1);
    layout->addWidget(ProgressBar1);
}

void SplashInformation::setMessage(const QString& text) {
    Label1->setText(text);
    letEventsThrough();
}

void SplashInformation::setValue(int value) {
    ProgressBar1->setValue(qBound(0, value, 100));
    letEventsThrough();
}
