// The settings dialog: the proxy, the output device, the recording switch, the desktop
// notices of new titles and every station at one loudness. Opened modal from the main window's
// menu, a new one each time, so every opening starts from what is stored.
//
// Thread contract: UI thread only.
#pragma once

#include "platform/settingsstore.h"

#include <QDialog>

#include <functional>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

class frmSett : public QDialog {
    Q_OBJECT
public:
    // `skin` draws the dialog in the main window's skin.
    explicit frmSett(const std::function<void(QWidget*)>& skin, QWidget* parent = nullptr);

private:
    void createControls();
    void Form_Load(const std::function<void(QWidget*)>& skin);
    void chkDirectConnect_Click();
    void chkSave_Click();
    void chkNotice_Click();
    void chkLevel_Click();
    void cmOK_Click();
    void cmdCancl_Click();
    void saveProxy();

    zvsettings::ProxySetting shownProxy_;  // what the proxy controls showed when the dialog opened
    QLineEdit* txtProxy_;
    QCheckBox* chkDirectConnect_;
    QComboBox* cmbDev_;
    QCheckBox* chkSave_;
    QCheckBox* chkNotice_;
    QCheckBox* chkLevel_;
    QPushButton* cmOK_;
    QPushButton* cmdCancl_;
};
