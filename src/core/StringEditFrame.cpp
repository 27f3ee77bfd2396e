#include "core/StringEditFrame.h"

#include "core/Guard.h"

#include "core/Database.h"
#include "core/MainForm.h"
#include "core/Program.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <utility>

namespace {

// The editor's widgets inside StringFrame and the pending edit; built on the first use.
class StringEditor : public QObject {
public:
    explicit StringEditor(MainForm& form) : QObject(form.StringFrame), m_form(form) {
        QFrame* frame = form.StringFrame;
        frame->setAutoFillBackground(true);
        frame->setFrameShape(QFrame::Box);
        auto* layout = new QVBoxLayout(frame);
        // 200 twips on either side of the text box.
        layout->setContentsMargins(13, 8, 13, 8);
        caption = new QLabel(frame);
        caption->setObjectName(QStringLiteral("StringFrameCaption"));
        QFont bold = caption->font();
        bold.setBold(true);
        caption->setFont(bold);
        layout->addWidget(caption);
        subject = new QLabel(frame);
        subject->setObjectName(QStringLiteral("StringFrameSubject"));
        subject->setWordWrap(true);
        layout->addWidget(subject);
        text = new QLineEdit(frame);
        text->setObjectName(QStringLiteral("StringText"));
        layout->addWidget(text);
        layout->addStretch(1);
        auto* row = new QHBoxLayout();
        ok = new QPushButton(QStringLiteral("確定"), frame);
        ok->setObjectName(QStringLiteral("StringOKButton"));
        cancel = new QPushButton(QStringLiteral("取消"), frame);
        cancel->setObjectName(QStringLiteral("StringCancelButton"));
        row->addWidget(ok);
        // Cancel stands half a button's width to the right of OK.
        row->addSpacing(ok->sizeHint().width() / 2);
        row->addWidget(cancel);
        row->addStretch(1);
        layout->addLayout(row);
        connect(ok, &QPushButton::clicked, this, [this] { StringOKButton_Click(); });
        connect(text, &QLineEdit::returnPressed, this, [this] { StringOKButton_Click(); });
        connect(cancel, &QPushButton::clicked, this, [this] { StringCancelButton_Click(); });
    }

    int show(const QString& captionText, const QString& subjectText, const QString& initialText,
             std::function<void(const QString&)> onOk) {
        m_onOk = std::move(onOk);
        ++m_edit;
        caption->setText(captionText);
        subject->setText(subjectText);
        subject->setVisible(!subjectText.isEmpty());
        text->setText(initialText);
        QFrame* frame = m_form.StringFrame;
        const QWidget* inner = m_form.centralWidget() ? m_form.centralWidget() : &m_form;
        frame->setFixedSize(std::max(inner->width() / 3, frame->minimumSizeHint().width()),
                            std::max(inner->height() / 3, frame->minimumSizeHint().height()));
        frame->show();
        frame->raise();
        text->setFocus();
        text->selectAll();
        return m_edit;
    }

    void StringOKButton_Click() {
        // The edit leaves the pending place while it runs: what it does may cancel the editor (a rebuilt list).
        std::function<void(const QString&)> onOk = std::exchange(m_onOk, nullptr);
        if (!onOk) {
            m_form.StringFrame->hide();
            return;
        }
        const int edit = m_edit;
        // A failed edit keeps the frame open with the typed text, unless it was cancelled meanwhile.
        if (!runGuarded(m_form.program(), caption->text(), [&] { onOk(stringEditValue(text->text())); })) {
            if (edit == m_edit && m_form.StringFrame->isVisible()) m_onOk = std::move(onOk);
            return;
        }
        m_form.StringFrame->hide();
    }

    void StringCancelButton_Click() {
        m_onOk = nullptr;
        ++m_edit;
        m_form.StringFrame->hide();
    }

    void cancelEdit(int edit) {
        if (edit == m_edit && m_onOk) StringCancelButton_Click();
    }

    QLabel* caption = nullptr;
    QLabel* subject = nullptr;
    QLineEdit* text = nullptr;
    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;

private:
    MainForm& m_form;
    std::function<void(const QString&)> m_onOk;
    int m_edit = 0; // the number of the edit last shown or cancelled
};

StringEditor& editor(MainForm& form) {
    for (QObject* c : form.StringFrame->children())
        if (auto* e = dynamic_cast<StringEditor*>(c)) return *e;
    return *new StringEditor(form);
}

} // namespace

QString stringEditValue(const QString& text) {
    const QString value = text.trimmed();
    return value.isEmpty() ? QStringLiteral("-") : value;
}

int ShowStringEditFrame(MainForm& form, const QString& caption, const QString& initialText,
                        std::function<void(const QString& value)> onOk, const QString& subject) {
    return editor(form).show(caption, subject, initialText, std::move(onOk));
}

void CancelStringEditFrame(MainForm& form, int edit) {
    editor(form).cancelEdit(edit);
}
