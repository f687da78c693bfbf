// The titles heard ("Elhangzott számok"): the history file's lines, newest first, in the columns
// "Idő", "Adó" and "Cím", with the titles heard while it is open added at the top. A filter box
// narrows the list to the lines that contain its text in any column, whatever the case and
// accents; "Másolás" (and Ctrl+C in the list) copies the selected lines as the file holds them.
// Opened modal from the main window's menu, a new one each time; it reads the file when it
// opens and keeps nothing once closed.
//
// Thread contract: UI thread only.
#pragma once

#include <QDialog>

#include <functional>

class QLineEdit;
class QPushButton;
class QSortFilterProxyModel;
class QStandardItemModel;
class QTreeView;

namespace zvengine {
struct HeardTitle;
class TitleHistory;
}  // namespace zvengine

class frmHistory : public QDialog {
    Q_OBJECT
public:
    // `skin` draws the dialog in the main window's skin.
    frmHistory(const std::function<void(QWidget*)>& skin, zvengine::TitleHistory& history,
               QWidget* parent = nullptr);

    // `text` without accents, case folded: what the filter compares.
    static QString folded(const QString& text);

private:
    void createControls();
    void addTitle(const zvengine::HeardTitle& title, int row);
    void cmdCopy_Click();

    QStandardItemModel* titles_;
    QSortFilterProxyModel* shown_;
    QLineEdit* txtFilter_;
    QTreeView* lstTitles_;
    QPushButton* cmdCopy_;
    QPushButton* cmdClose_;
};
