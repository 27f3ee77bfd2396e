#pragma once
// The engine both key-in dialogs share: three trees of questions loaded from the catalogue `OnlineKeyIn`, a hidden
// guidance lookup, the overview and question layouts, taking a typed answer over and moving on, the section guide
// page and the completeness check. Every item keeps its own answered flag; the node text only shows the answer.

#include "keyin/Rules.h"

#include <QDialog>
#include <QMap>
#include <array>

class Program;
class QGroupBox;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace keyin {

// What differs between the two dialogs in the engine's part.
struct DialogConfig {
    QString objectName;
    QString caption;
    QString topic;                    // xTopic of the catalogue rows
    std::array<QString, 3> roots;     // the section names of the three trees
    std::array<int, 3> loadWidths;    // overview widths after loading, in twips
    std::array<int, 3> restoreWidths; // overview widths when the overview is restored, in twips
    QString yearButtonName;           // object name of the "現有年度代碼" button
    bool progressBar = false;         // whether the dialog drives a progress bar `ProgressBar1`
};

class KeyInDialog : public QDialog {
    Q_OBJECT
public:
    // Item data kept on each tree node.
    enum Role { KeyRole = Qt::UserRole, TagRole, PictureRole };

    KeyInDialog(Program& program, DialogConfig config, QWidget* parent = nullptr);
    ~KeyInDialog() override;

    // Lays out the overview and loads the trees and the guidance lookup; reports an incomplete catalogue.
    void Form_Load();

    const DialogConfig& config() const { return m_config; }
    // The stored answer of an item ("" while unanswered).
    QString answer(const QString& code) const { return m_answers.value(code); }
    bool isAnswered(const QString& code) const { return m_answered.value(code, false); }
    // The node of an item (null when the catalogue lacks it).
    QTreeWidgetItem* node(const QString& code) const;
    // The width of a tree in twips as the layouts set it.
    int treeWidthTwips(int tree) const { return m_widthTwips[size_t(tree)]; }
    QString currentCode() const { return m_code; }

    // The controls, by their object names.
    std::array<QTreeWidget*, 3> trees{}; // TreeViewPersonalData, TreeViewHealthData, TreeViewBurnOut
    QGroupBox* FrameNote = nullptr;
    QPlainTextEdit* TextNote = nullptr;
    QLineEdit* TextAnswer = nullptr;
    QPushButton* DatalButtonOK = nullptr;
    QPushButton* DataButtonCancel = nullptr;
    QPushButton* ButtonHR = nullptr;
    QPushButton* ButtonYearType = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;
    QTreeWidget* ListViewNote = nullptr;
    QMenu* QVKeyInTreeSeting = nullptr;
    QAction* QVTreeSetingSelect = nullptr;
    QProgressBar* ProgressBar1 = nullptr; // only where the config asks for it

    // Handlers (public so the windows' behaviour is reachable as the person reaches it).
    void DatalButtonOK_Click();
    void DataButtonCancel_Click();
    void CancelButton_Click();
    void OKButton_Click();
    void nodeClick(int tree, QTreeWidgetItem* node);

protected:
    // The dialog's own rules for one answer (no message).
    virtual Verdict rule(const QString& code, const QString& answer) = 0;
    // What an accepted answer does to other items (the age, the body regions).
    virtual void applySideEffects(const QString& code, const Verdict& verdict) { (void)code, (void)verdict; }
    virtual void ButtonHR_Click() = 0;
    virtual void ButtonYearType_Click() = 0;
    // The scoring, storing and printing after a successful completeness check.
    virtual void run() = 0;

    // Checks an answer; rewrites it into its stored form and applies its side effects, or shows the item's text and
    // guidance (or the length limit) and answers false.
    bool ValidateAnswer(const QString& code, QString& answer);
    // Marks an item answered with a value, or unanswered.
    void setAnswer(const QString& code, const QString& value);
    void clearAnswer(const QString& code);
    // Takes a value over from the personnel list: answered when it passes the item's rule and length, else
    // unanswered.
    void fillChecked(const QString& code, const QString& value);
    // Lists the unanswered items (and items the catalogue lacks) on the page; true when every item is answered.
    bool completenessCheck();

    void closeEvent(QCloseEvent* event) override;
    void reject() override;
    void resizeEvent(QResizeEvent* event) override;

    Program& m_program;

private:
    void LoadQuestionTree(int tree);
    void LoadNotesList();
    void reportCatalogueProblems();
    void overviewLayout(const std::array<int, 3>& widths);
    void questionLayout(int tree);
    bool SwitchTreeLayout(QTreeWidgetItem* node, int tree);
    void ShowQuestion(QTreeWidgetItem* node, int tree);
    void ShowItemGuide(int tree);
    void returnToRefusedAnswer();
    void TreeViewBurnOut_MouseUp(const QPoint& pos);
    void setPicture(QTreeWidgetItem* node, int picture);
    std::vector<QTreeWidgetItem*> nodesOf(int tree) const;
    int innerWidthTwips() const;
    int innerHeightTwips() const;
    void placeTwips(QWidget* w, int left, int top, int width, int height);

    DialogConfig m_config;
    QMap<QString, QString> m_answers;
    QMap<QString, bool> m_answered;
    QString m_code;
    QString m_noteText; // the question panel's text with Windows line ends, as a refusal shows it
    int m_tree = -1;
    QTreeWidgetItem* m_node = nullptr;
    std::array<int, 3> m_widthTwips{};
    bool m_questionLayout = false;
    bool m_running = false;
};

} // namespace keyin
