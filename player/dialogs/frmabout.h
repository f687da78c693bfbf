// The about box: the program's version, the maker's statement and contact, and the licence.
// Opened modal from the main window's menu, a new one each time.
//
// Thread contract: UI thread only.
#pragma once

#include <QDialog>

#include <functional>

class QLabel;
class QPushButton;

class frmAbout : public QDialog {
    Q_OBJECT
public:
    // `skin` draws the dialog in the main window's skin; `localConfig`: the station list came
    // from the program folder's own file.
    frmAbout(const std::function<void(QWidget*)>& skin, bool localConfig,
             QWidget* parent = nullptr);

private:
    void createControls();
    void Form_Load(const std::function<void(QWidget*)>& skin, bool localConfig);
    void cmdLic_Click();
    void cmdOK_Click();

    QLabel* lblVer_;
    QLabel* lblAbout_;
    QPushButton* cmdLic_;
    QPushButton* cmdOK_;
};
