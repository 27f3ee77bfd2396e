#include "core/Ui.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QRandomGenerator>
#include <QThread>
#include <QTimer>
#include <QUrl>

Ui::Answer Ui::message(const QString& text, const QString& title, Icon icon, Buttons buttons) {
    return showMessage(text, title.isEmpty() ? m_programTitle : title, icon, buttons);
}

bool Ui::openWithDesktop(const QString& pathOrUrl) {
    if (desktopOpen(pathOrUrl)) return true;
    const QUrl url(pathOrUrl);
    const QString where = url.isLocalFile() ? QDir::toNativeSeparators(url.toLocalFile()) : pathOrUrl;
    message(QStringLiteral("系統找不到可開啟此檔案的程式，檔案已儲存於：\r\n\r\n") + where +
                QStringLiteral("\r\n\r\n請由檔案管理員開啟。"),
            QStringLiteral("無法開啟檔案"), Icon::Warning);
    return false;
}

Ui::Answer QtUi::showMessage(const QString& text, const QString& title, Icon icon, Buttons buttons) {
    QMessageBox box(parentWindow());
    box.setWindowTitle(title);
    box.setText(text);
    switch (icon) {
    case Icon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case Icon::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case Icon::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    case Icon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    case Icon::None:
        break;
    }
    switch (buttons) {
    case Buttons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case Buttons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case Buttons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    case Buttons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    case Buttons::YesNoDefaultNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::No);
        break;
    }
    box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    switch (box.exec()) {
    case QMessageBox::Cancel:
        return Answer::Cancel;
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        return buttons == Buttons::YesNo || buttons == Buttons::YesNoDefaultNo ? Answer::No : Answer::Ok;
    }
}

std::optional<QString> QtUi::input(const QString& prompt, const QString& title, const QString& defaultText) {
    bool ok = false;
    QString t = QInputDialog::getText(parentWindow(), title.isEmpty() ? programTitle() : title, prompt,
                                      QLineEdit::Normal, defaultText, &ok);
    if (!ok) return std::nullopt;
    return t;
}

QString QtUi::openFileName(const QString& title, const QString& filter, const QString& folder) {
    return QFileDialog::getOpenFileName(parentWindow(), title, folder, filter);
}

QString QtUi::browseForFolder(const QString& title) {
    return QFileDialog::getExistingDirectory(parentWindow(), title);
}

bool QtUi::desktopOpen(const QString& pathOrUrl) {
    const QUrl url = pathOrUrl.contains("://") ? QUrl(pathOrUrl) : QUrl::fromLocalFile(pathOrUrl);
    return QDesktopServices::openUrl(url);
}

void QtUi::wait(int milliseconds) {
    // The window keeps repainting during the pause.
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

QDateTime QtUi::now() {
    return QDateTime::currentDateTime();
}

int QtUi::random(int low, int high) {
    return QRandomGenerator::global()->bounded(low, high + 1);
}
