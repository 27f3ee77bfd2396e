#include "core/Ui.h"

#include <QApplication>
#include <QBoxLayout>
#include <QDesktopServices>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QInputDialog>
#include <QMessageBox>
#include <QPointer>
#include <QRandomGenerator>
#include <QScreen>
#include <QSpacerItem>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <algorithm>

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

namespace {

// What a title bar shows besides the title: the window's icon, its buttons and the space around them.
constexpr int kTitleBarExtras = 140;

// The width a box needs to show its whole title in the title bar (drawn bold by most window managers), no wider than
// the screen leaves.
int titleWidth(const QWidget& box, const QString& title) {
    QFont bold = box.font();
    bold.setBold(true);
    const int wanted = QFontMetrics(bold).horizontalAdvance(title) + kTitleBarExtras;
    const QScreen* screen = box.screen();
    return screen ? std::min(wanted, screen->availableGeometry().width() * 9 / 10) : wanted;
}

} // namespace

QWidget* QtUi::ownerWindow() {
    QWidget* owner = QApplication::activeModalWidget();
    if (!owner) owner = QApplication::activeWindow();
    // Between a box that closed and the window manager activating its owner again no window is active: a box asked
    // then (the message after an input box) belongs to the same window as the one before.
    if (!owner && m_lastOwner && m_lastOwner->isVisible()) owner = m_lastOwner;
    if (!owner) owner = parentWindow();
    m_lastOwner = owner;
    return owner;
}

Ui::Answer QtUi::showMessage(const QString& text, const QString& title, Icon icon, Buttons buttons) {
    // On the heap and watched: the box goes with its owner should that window ever close while the box is open.
    QPointer<QMessageBox> box = new QMessageBox(ownerWindow());
    box->setWindowTitle(title);
    box->setText(text);
    switch (icon) {
    case Icon::Information:
        box->setIcon(QMessageBox::Information);
        break;
    case Icon::Warning:
        box->setIcon(QMessageBox::Warning);
        break;
    case Icon::Critical:
        box->setIcon(QMessageBox::Critical);
        break;
    case Icon::Question:
        box->setIcon(QMessageBox::Question);
        break;
    case Icon::None:
        break;
    }
    switch (buttons) {
    case Buttons::Ok:
        box->setStandardButtons(QMessageBox::Ok);
        break;
    case Buttons::OkCancel:
        box->setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case Buttons::YesNo:
        box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    case Buttons::YesNoCancel:
        box->setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    case Buttons::YesNoDefaultNo:
        box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box->setDefaultButton(QMessageBox::No);
        break;
    }
    box->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    // The box sizes itself to its layout: a strut across the layout keeps it as wide as its title.
    if (auto* grid = qobject_cast<QGridLayout*>(box->layout()))
        grid->addItem(new QSpacerItem(titleWidth(*box, title), 0, QSizePolicy::Minimum, QSizePolicy::Minimum),
                      grid->rowCount(), 0, 1, grid->columnCount());
    const int result = box->exec();
    delete box.data();
    switch (result) {
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
    const QString shownTitle = title.isEmpty() ? programTitle() : title;
    QPointer<QInputDialog> box = new QInputDialog(ownerWindow());
    box->setWindowTitle(shownTitle);
    box->setLabelText(prompt);
    box->setInputMode(QInputDialog::TextInput);
    box->setTextValue(defaultText);
    // The box sizes itself to its layout, which it builds when first measured: a strut keeps it as wide as its title.
    (void)box->sizeHint();
    if (auto* column = qobject_cast<QBoxLayout*>(box->layout())) column->addStrut(titleWidth(*box, shownTitle));
    const bool ok = box->exec() == QDialog::Accepted;
    if (!box) return std::nullopt;
    const QString text = box->textValue();
    delete box.data();
    if (!ok) return std::nullopt;
    return text;
}

QString QtUi::openFileName(const QString& title, const QString& filter, const QString& folder) {
    return QFileDialog::getOpenFileName(ownerWindow(), title, folder, filter);
}

QString QtUi::browseForFolder(const QString& title) {
    return QFileDialog::getExistingDirectory(ownerWindow(), title);
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
