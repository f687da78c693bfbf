#include "frmabout.h"

#include "platform/errorlog.h"
#include "platform/programpaths.h"
#include "platform/shellopen.h"
#include "version.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace {

// "Zenovia v.<major>.<minor>.<revision>" of this build.
QString versionLine() {
    return QStringLiteral("Zenovia v.%1.%2.%3")
        .arg(ZENOVIA_VERSION_MAJOR)
        .arg(ZENOVIA_VERSION_MINOR)
        .arg(ZENOVIA_VERSION_PATCH);
}

}  // namespace

frmAbout::frmAbout(const std::function<void(QWidget*)>& skin, bool localConfig, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("Zenovia névjegye"));
    createControls();
    Form_Load(skin, localConfig);
}

void frmAbout::createControls() {
    auto label = [this](const char* name, const QString& text) {
        auto* l = new QLabel(text, this);
        l->setObjectName(QString::fromLatin1(name));
        l->setWordWrap(true);
        return l;
    };
    lblVer_ = label("lblVer", QString());
    lblAbout_ =
        label("lblAbout", QStringLiteral("A Zenovia program a készítője, a Zenovia tulajdona. A "
                                         "program telepítése feljogosítja a felhasználót a program "
                                         "használatára."));
    QLabel* lblKap = label("lblKap", QStringLiteral("Tel.: +36 1 555 0100"));
    auto* txtEmail = new QLineEdit(QStringLiteral("info@zenovia.example"), this);
    txtEmail->setObjectName(QStringLiteral("txtEmail"));
    txtEmail->setReadOnly(true);

    cmdLic_ = new QPushButton(QStringLiteral("Licensz"), this);
    cmdLic_->setObjectName(QStringLiteral("cmdLic"));
    cmdOK_ = new QPushButton(QStringLiteral("OK"), this);
    cmdOK_->setObjectName(QStringLiteral("cmdOK"));
    cmdOK_->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdLic_);
    buttons->addStretch();
    buttons->addWidget(cmdOK_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblVer_);
    layout->addWidget(lblAbout_);
    layout->addWidget(lblKap);
    layout->addWidget(txtEmail);
    layout->addLayout(buttons);
    setMinimumWidth(360);
}

void frmAbout::Form_Load(const std::function<void(QWidget*)>& skin, bool localConfig) {
    zverr::trapEvent("frmAbout.Form_Load", [this, &skin, localConfig] {
        lblVer_->setText(versionLine());
        if (localConfig) {
            lblAbout_->setText(lblAbout_->text() +
                               QStringLiteral(" A programot a Zenovia fejlesztői írták."));
        }
        skin(this);
    });
    connect(cmdLic_, &QPushButton::clicked, this, &frmAbout::cmdLic_Click);
    connect(cmdOK_, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
}

void frmAbout::cmdLic_Click() {
    zverr::trapEvent("frmAbout.cmdLic_Click", [] {
        zvshell::open(
            QUrl::fromLocalFile(zvpaths::programFolder() + QStringLiteral("/licensz.txt")));
    });
}

void frmAbout::cmdOK_Click() {
    zverr::trapEvent("frmAbout.cmdOK_Click", [this] { accept(); });
}
