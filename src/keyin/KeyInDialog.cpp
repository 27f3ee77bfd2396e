#include "keyin/KeyInDialog.h"

#include "core/Database.h"
#include "core/Guard.h"
#include "core/Helpers.h"
#include "core/HtmlOutput.h"
#include "core/Program.h"
#include "keyin/Catalogue.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSet>
#include <QStyle>
#include <QTreeWidget>

namespace keyin {

namespace {

constexpr int kTwipsPerPixel = 15;
constexpr int kDesignWidth = 15840;
constexpr int kDesignHeight = 9135;
constexpr int kFrameWidth = 4200;
constexpr int kTreeLeft = 100;
constexpr int kTreeTop = 100;
// The run buttons sit this far above the bottom edge (Top 8520 at the designed height).
constexpr int kButtonsFromBottom = kDesignHeight - 8520;
// The question panel keeps its designed distance from the right edge (Left 11520 at the designed width).
constexpr int kFrameFromRight = kDesignWidth - 11520;

const char* const kTreeNames[3] = {"TreeViewPersonalData", "TreeViewHealthData", "TreeViewBurnOut"};
const QString kRootKey = QStringLiteral("ROOT");

int px(int twips) {
    return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel;
}

QPushButton* button(QWidget* parent, const char* name, const QString& caption) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    // Enter takes an answer over only; it never starts a run or closes the dialog by accident.
    b->setAutoDefault(false);
    return b;
}

} // namespace

KeyInDialog::KeyInDialog(Program& program, DialogConfig config, QWidget* parent)
    : QDialog(parent), m_program(program), m_config(std::move(config)) {
    setObjectName(m_config.objectName);
    setWindowTitle(m_config.caption);
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setMinimumSize(px(kDesignWidth), px(kDesignHeight));
    resize(px(kDesignWidth), px(kDesignHeight));

    for (int t = 0; t < 3; ++t) {
        auto* tree = new QTreeWidget(this);
        tree->setObjectName(QString::fromLatin1(kTreeNames[t]));
        tree->setHeaderHidden(true);
        tree->setColumnCount(1);
        connectGuarded(tree, &QTreeWidget::itemClicked, this, m_program, QStringLiteral("選取題目"),
                       [this, t](QTreeWidgetItem* item, int) { nodeClick(t, item); });
        trees[size_t(t)] = tree;
    }
    trees[2]->setContextMenuPolicy(Qt::CustomContextMenu);
    connectGuarded(trees[2], &QWidget::customContextMenuRequested, this, m_program, QStringLiteral("樹狀目錄右鍵"),
                   [this](const QPoint& p) { TreeViewBurnOut_MouseUp(p); });

    FrameNote = new QGroupBox(QStringLiteral("填答說明"), this);
    FrameNote->setObjectName(QStringLiteral("FrameNote"));
    TextNote = new QPlainTextEdit(FrameNote);
    TextNote->setObjectName(QStringLiteral("TextNote"));
    TextNote->setReadOnly(true);
    TextAnswer = new QLineEdit(FrameNote);
    TextAnswer->setObjectName(QStringLiteral("TextAnswer"));
    DatalButtonOK = button(FrameNote, "DatalButtonOK", QStringLiteral("寫入"));
    DataButtonCancel = button(FrameNote, "DataButtonCancel", QStringLiteral("取消"));
    DataButtonCancel->setToolTip(QStringLiteral("按取消回前畫面 "));
    ButtonHR = button(FrameNote, "ButtonHR", QStringLiteral("使用人事資料"));
    ButtonYearType = button(FrameNote, m_config.yearButtonName.toLatin1().constData(), QStringLiteral("現有年度代碼"));
    OKButton = button(this, "OKButton", QStringLiteral("運算與套表"));
    CancelButton = button(this, "CancelButton", QStringLiteral("離開"));
    if (m_config.progressBar) {
        ProgressBar1 = new QProgressBar(this);
        ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
        ProgressBar1->setRange(0, 100);
        ProgressBar1->setValue(0);
    }

    ListViewNote = new QTreeWidget(this);
    ListViewNote->setObjectName(QStringLiteral("ListViewNote"));
    ListViewNote->setRootIsDecorated(false);
    ListViewNote->hide();

    QVKeyInTreeSeting = new QMenu(QStringLiteral("樹狀目錄右鍵"), this);
    QVKeyInTreeSeting->setObjectName(QStringLiteral("QVKeyInTreeSeting"));
    QVTreeSetingSelect = QVKeyInTreeSeting->addAction(QStringLiteral("選用"));
    QVTreeSetingSelect->setObjectName(QStringLiteral("QVTreeSetingSelect"));

    // Every button runs guarded (core/Guard.h); OKButton_Click guards its run itself, inside the hold against a second
    // press.
    connectGuarded(DatalButtonOK, &QPushButton::clicked, this, m_program, DatalButtonOK->text(),
                   [this] { DatalButtonOK_Click(); });
    connectGuarded(DataButtonCancel, &QPushButton::clicked, this, m_program, DataButtonCancel->text(),
                   [this] { DataButtonCancel_Click(); });
    // After the lookup (found, unknown or cancelled) the nurse goes on typing the current answer.
    connectGuarded(ButtonHR, &QPushButton::clicked, this, m_program, ButtonHR->text(), [this] {
        ButtonHR_Click();
        TextAnswer->setFocus();
    });
    connectGuarded(ButtonYearType, &QPushButton::clicked, this, m_program, ButtonYearType->text(),
                   [this] { ButtonYearType_Click(); });
    connect(OKButton, &QPushButton::clicked, this, &KeyInDialog::OKButton_Click);
    connect(CancelButton, &QPushButton::clicked, this, &KeyInDialog::CancelButton_Click);
}

KeyInDialog::~KeyInDialog() = default;

int KeyInDialog::innerWidthTwips() const {
    return width() * kTwipsPerPixel;
}
int KeyInDialog::innerHeightTwips() const {
    return height() * kTwipsPerPixel;
}

void KeyInDialog::placeTwips(QWidget* w, int left, int top, int width, int height) {
    w->setGeometry(px(left), px(top), px(width), px(height));
}

void KeyInDialog::Form_Load() {
    ButtonHR->hide();
    overviewLayout(m_config.loadWidths);
    TextNote->clear();
    TextAnswer->clear();
    for (int t = 0; t < 3; ++t) {
        LoadQuestionTree(t);
        letEventsThrough();
    }
    LoadNotesList();
    reportCatalogueProblems();
}

void KeyInDialog::LoadQuestionTree(int t) {
    QTreeWidget* tree = trees[size_t(t)];
    tree->hide();
    tree->clear();
    auto* root = new QTreeWidgetItem(tree, QStringList{m_config.roots[size_t(t)]});
    root->setData(0, KeyRole, kRootKey);
    root->setData(0, TagRole, m_config.roots[size_t(t)]);
    root->setIcon(0, style()->standardIcon(QStyle::SP_DirIcon)); // the picture "Apple"
    root->setData(0, PictureRole, 0);
    const Recordset rs = m_program.DBConn.query(
        QStringLiteral("SELECT [Type], [MainCode] FROM [OnlineKeyIn] WHERE [xSource] = ? ORDER BY [MainCode]"),
        {m_config.roots[size_t(t)]});
    for (int r = 0; r < rs.recordCount(); ++r) {
        const QString type = rs.text(r, 0);
        const QString code = rs.text(r, 1);
        auto* item = new QTreeWidgetItem(root, QStringList{type});
        item->setData(0, KeyRole, code);
        item->setData(0, TagRole, type);
        item->setForeground(0, Qt::black);
        setPicture(item, 1);
        // Answers of a fresh tree start unanswered, whatever the item text holds.
        m_answers.remove(code);
        m_answered.remove(code);
    }
    root->setExpanded(true);
    tree->setCurrentItem(root);
    tree->show();
}

void KeyInDialog::LoadNotesList() {
    ListViewNote->hide();
    ListViewNote->clear();
    const Recordset rs = m_program.DBConn.query(
        QStringLiteral("SELECT [MainCode], [Type],  [xNote], [xSource] FROM [OnlineKeyIn] WHERE [xTopic] = ? "
                       "ORDER BY [MainCode]"),
        {m_config.topic});
    ListViewNote->setColumnCount(rs.fieldCount());
    ListViewNote->setHeaderLabels(rs.fieldNames());
    for (int c = 0; c < rs.fieldCount(); ++c)
        ListViewNote->setColumnWidth(c, px(400 * int(rs.fieldName(c).size())));
    for (int r = 0; r < rs.recordCount(); ++r) {
        auto* row = new QTreeWidgetItem(ListViewNote);
        for (int c = 0; c < rs.fieldCount(); ++c)
            row->setText(c, rs.text(r, c));
        row->setData(0, KeyRole, rs.text(r, 0));
        row->setData(0, TagRole, rs.text(r, 0));
    }
}

void KeyInDialog::reportCatalogueProblems() {
    // The rules address items by code and the record needs every one of them: a catalogue that lacks an item, or
    // whose item text does not begin with its code, cannot give a complete questionnaire.
    QStringList problems;
    for (const QString& code : expectedCodes(m_config.topic)) {
        QTreeWidgetItem* n = node(code);
        if (!n)
            problems << code + QStringLiteral(" 題庫中沒有此項目");
        else if (!n->data(0, TagRole).toString().startsWith(code))
            problems << code + QStringLiteral(" 項目文字未以代碼開頭");
    }
    if (problems.isEmpty()) return;
    m_program.ui().message(QStringLiteral("單筆鍵入題庫 (OnlineKeyIn) 不完整，本問卷無法寫入資料庫：\r\n\r\n") +
                               problems.join(QStringLiteral("\r\n")),
                           QStringLiteral("題庫不完整"), Ui::Icon::Warning);
}

std::vector<QTreeWidgetItem*> KeyInDialog::nodesOf(int t) const {
    std::vector<QTreeWidgetItem*> out;
    QTreeWidget* tree = trees[size_t(t)];
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        QTreeWidgetItem* top = tree->topLevelItem(i);
        out.push_back(top);
        for (int c = 0; c < top->childCount(); ++c)
            out.push_back(top->child(c));
    }
    return out;
}

QTreeWidgetItem* KeyInDialog::node(const QString& code) const {
    for (int t = 0; t < 3; ++t)
        for (QTreeWidgetItem* n : nodesOf(t))
            if (n->data(0, KeyRole).toString() == code && code != kRootKey) return n;
    return nullptr;
}

void KeyInDialog::setPicture(QTreeWidgetItem* n, int picture) {
    n->setData(0, PictureRole, picture);
    if (n->data(0, KeyRole).toString() == kRootKey && picture == 0) return;
    n->setIcon(0, style()->standardIcon(picture == 2 ? QStyle::SP_ArrowRight : QStyle::SP_FileIcon));
}

void KeyInDialog::overviewLayout(const std::array<int, 3>& widths) {
    const int buttonsTop = innerHeightTwips() - kButtonsFromBottom;
    const int height = buttonsTop - kTreeTop - 100;
    int left = kTreeLeft;
    for (int t = 0; t < 3; ++t) {
        placeTwips(trees[size_t(t)], left, kTreeTop, widths[size_t(t)], height);
        m_widthTwips[size_t(t)] = widths[size_t(t)];
        trees[size_t(t)]->show();
        left += widths[size_t(t)] + 100;
    }
    const int frameLeft = innerWidthTwips() - kFrameFromRight;
    placeTwips(FrameNote, frameLeft, kTreeTop, kFrameWidth, height);
    FrameNote->hide();
    m_questionLayout = false;
    placeTwips(OKButton, frameLeft, buttonsTop, 1980, 495);
    placeTwips(CancelButton, frameLeft + 2100, buttonsTop, 1980, 495);
    if (ProgressBar1) placeTwips(ProgressBar1, kTreeLeft, buttonsTop + 100, frameLeft - 2 * kTreeLeft, 300);
    // Inside the question panel.
    placeTwips(TextNote, 120, 300, kFrameWidth - 240, 4500);
    placeTwips(TextAnswer, 120, 4950, kFrameWidth - 240, 420);
    placeTwips(DatalButtonOK, 120, 5520, 1920, 450);
    placeTwips(DataButtonCancel, 2160, 5520, 1920, 450);
    placeTwips(ButtonHR, 120, 6120, kFrameWidth - 240, 450);
    placeTwips(ButtonYearType, 120, 6720, kFrameWidth - 240, 450);
}

void KeyInDialog::questionLayout(int t) {
    for (QTreeWidget* tree : trees)
        tree->hide();
    const int buttonsTop = innerHeightTwips() - kButtonsFromBottom;
    const int height = buttonsTop - kTreeTop - 100;
    placeTwips(FrameNote, innerWidthTwips() - kFrameFromRight, kTreeTop, kFrameWidth, height);
    FrameNote->show();
    const int width = innerWidthTwips() - kFrameWidth - 4 * kTreeLeft;
    placeTwips(trees[size_t(t)], kTreeLeft, kTreeTop, width, height);
    m_widthTwips[size_t(t)] = width;
    trees[size_t(t)]->show();
    m_questionLayout = true;
    m_tree = t;
}

void KeyInDialog::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    if (m_questionLayout && m_tree >= 0)
        questionLayout(m_tree);
    else if (m_widthTwips[0] > 0)
        overviewLayout(m_widthTwips);
}

bool KeyInDialog::SwitchTreeLayout(QTreeWidgetItem* n, int t) {
    questionLayout(t);
    if (n->data(0, KeyRole).toString() == kRootKey) {
        overviewLayout(m_config.restoreWidths);
        return true;
    }
    return false;
}

void KeyInDialog::nodeClick(int t, QTreeWidgetItem* n) {
    if (!n) return;
    m_code = n->data(0, TagRole).toString().left(3);
    if (!SwitchTreeLayout(n, t))
        ShowQuestion(n, t);
    else
        ShowItemGuide(t);
}

void KeyInDialog::ShowQuestion(QTreeWidgetItem* n, int t) {
    if (m_widthTwips[size_t(t)] < innerWidthTwips() / 2) return;
    if (n->data(0, KeyRole).toString() == kRootKey) return;
    const QString tag = n->data(0, TagRole).toString();
    const QString code = tag.left(3);
    QString note;
    const auto rows = ListViewNote->findItems(code, Qt::MatchExactly, 0);
    if (!rows.isEmpty())
        note = rows.first()->text(2);
    else
        note = QStringLiteral("（題庫中找不到代碼 %1 的填答說明）").arg(code);
    // The panel shows plain line breaks; a refusal repeats the text with the CR LF pairs it is built of.
    m_noteText = tag + QStringLiteral("\r\n\r\n") + note;
    TextNote->setPlainText(QString(m_noteText).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    // A new question starts with an empty answer box: what was typed for another item (a refused answer too) must
    // never become part of this one.
    TextAnswer->clear();
    TextAnswer->setFocus();
    m_code = code;
    DatalButtonOK->setDefault(true);
    m_tree = t;
    m_node = n;
    for (QTreeWidgetItem* each : nodesOf(t))
        setPicture(each, 1);
    setPicture(n, 2);
    const QString key = n->data(0, KeyRole).toString();
    ButtonHR->setVisible(key == QLatin1String("A03"));
    ButtonYearType->setVisible(key == QLatin1String("A01"));
}

void KeyInDialog::ShowItemGuide(int t) {
    const QString root = m_config.roots[size_t(t)];
    letEventsThrough();
    const Recordset rs = m_program.DBConn.query(
        QStringLiteral("SELECT [MainCode] AS 代碼, [Type] AS 項目名稱, [xNote] AS 填寫說明_請詳細參考格式要求 "
                       " FROM [OnlineKeyIn]  WHERE [xSource] = ?  ORDER BY [MainCode]"),
        {root});
    ShowRecordsetAsHtml(m_program, root, rs, QString());
    letEventsThrough();
}

void KeyInDialog::TreeViewBurnOut_MouseUp(const QPoint& pos) {
    QVTreeSetingSelect->setEnabled(true);
    QVKeyInTreeSeting->popup(trees[2]->viewport()->mapToGlobal(pos));
}

void KeyInDialog::DataButtonCancel_Click() {
    QTreeWidgetItem* root = trees[0]->topLevelItemCount() ? trees[0]->topLevelItem(0) : nullptr;
    if (root)
        SwitchTreeLayout(root, 0);
    else
        overviewLayout(m_config.restoreWidths);
}

bool KeyInDialog::ValidateAnswer(const QString& code, QString& answer) {
    const Verdict v = rule(code, answer);
    if (!v.accepted) {
        m_program.ui().message(m_noteText);
        returnToRefusedAnswer();
        return false;
    }
    const int limit = maxAnswerLength(m_config.topic, code);
    if (limit >= 0 && v.stored.size() > limit) {
        m_program.ui().message(QStringLiteral("此項目最多可輸入 %1 個字元，目前為 %2 個字元，請縮短後再寫入。")
                                   .arg(limit)
                                   .arg(v.stored.size()));
        returnToRefusedAnswer();
        return false;
    }
    answer = v.stored;
    applySideEffects(code, v);
    return true;
}

void KeyInDialog::returnToRefusedAnswer() {
    // The box took the focus: give it back to the answer with the refused text selected, so typing replaces it.
    TextAnswer->setFocus();
    TextAnswer->selectAll();
}

void KeyInDialog::setAnswer(const QString& code, const QString& value) {
    if (QTreeWidgetItem* n = node(code)) n->setText(0, n->data(0, TagRole).toString() + "【" + value + "】");
    m_answers[code] = value;
    m_answered[code] = true;
}

void KeyInDialog::clearAnswer(const QString& code) {
    if (QTreeWidgetItem* n = node(code)) n->setText(0, n->data(0, TagRole).toString());
    m_answers.remove(code);
    m_answered.remove(code);
}

void KeyInDialog::fillChecked(const QString& code, const QString& value) {
    const Verdict v = rule(code, value.trimmed());
    const int limit = maxAnswerLength(m_config.topic, code);
    if (v.accepted && !v.stored.isEmpty() && (limit < 0 || v.stored.size() <= limit))
        setAnswer(code, v.stored);
    else
        clearAnswer(code);
}

void KeyInDialog::DatalButtonOK_Click() {
    if (!m_node) return;
    QString answer = TextAnswer->text().trimmed();
    if (!ValidateAnswer(m_code, answer)) return;
    if (answer.isEmpty()) return;
    setAnswer(m_code, answer);
    TextAnswer->clear();
    const auto nodes = nodesOf(m_tree);
    const auto at = std::find(nodes.begin(), nodes.end(), m_node);
    const size_t position = size_t(at - nodes.begin()) + 1; // the root is position 1
    if (position + 1 <= nodes.size())
        ShowQuestion(nodes[position], m_tree);
    else
        DataButtonCancel_Click();
}

bool KeyInDialog::completenessCheck() {
    QString list;
    for (int t = 0; t < 3; ++t)
        for (QTreeWidgetItem* n : nodesOf(t)) {
            const QString key = n->data(0, KeyRole).toString();
            if (key == kRootKey || isAnswered(key)) continue;
            // The page is HTML: an item text holding "<" or "&" must show as written.
            list += n->text(0).toHtmlEscaped() + QStringLiteral(" 未填入<P><P>");
        }
    for (const QString& code : expectedCodes(m_config.topic))
        if (!node(code)) list += code + QStringLiteral(" (題庫中沒有此項目) 未填入<P><P>");
    if (list.isEmpty()) return true;
    m_program.ui().message(QStringLiteral("所有項目皆必填，發現有部份項目未填"));
    ShowHtmlText(m_program, QStringLiteral("除錯訊息"), list);
    return false;
}

void KeyInDialog::OKButton_Click() {
    if (m_running) return;
    m_running = true;
    OKButton->setEnabled(false);
    runGuarded(m_program, OKButton->text(), [this] {
        if (completenessCheck()) run();
    });
    m_running = false;
    OKButton->setEnabled(true);
}

void KeyInDialog::CancelButton_Click() {
    close();
}

void KeyInDialog::reject() {
    // Esc closes the dialog exactly as "離開" does.
    close();
}

void KeyInDialog::closeEvent(QCloseEvent* event) {
    // A run lets window events through; the dialog must outlive it.
    if (m_running) {
        event->ignore();
        return;
    }
    event->accept();
}

} // namespace keyin
