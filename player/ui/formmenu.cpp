#include "formmenu.h"

#include "dialogs/frmabout.h"
#include "dialogs/frmhistory.h"
#include "dialogs/frmsett.h"
#include "engine/titlehistory.h"
#include "platform/errorlog.h"
#include "platform/programpaths.h"
#include "platform/shellopen.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QUrl>
#include <QWidget>

#include <utility>

FormMenu::FormMenu(std::function<void(QWidget*)> skin, const zvengine::StationList& stations)
    : skin_(std::move(skin)), stations_(stations) {}

void FormMenu::install(QWidget* window) {
    window_ = window;
    menu_ = new QMenu(window);
    menu_->setObjectName(QStringLiteral("modFormMenu"));
    menu_->addAction(QStringLiteral("Kis méret"), window, &QWidget::showMinimized);
    menu_->addAction(QStringLiteral("Bezárás"), window, &QWidget::close);
    menu_->addSeparator();
    menu_->addAction(QStringLiteral("&Beállítások..."), this, &FormMenu::showSettings);
    menu_->addAction(QStringLiteral("&Névjegy..."), this, &FormMenu::showAbout);
    menu_->addAction(QStringLiteral("&Használati útmutató..."), this, &FormMenu::openManual);
    menu_->addAction(QStringLiteral("&Elhangzott számok..."), this, &FormMenu::showHistory);
    // Right clicks and menu keys on the window's controls reach the window when the control
    // has no use for them.
    window->installEventFilter(this);
}

bool FormMenu::opensMenu(const QKeyEvent& key) {
    return key.key() == Qt::Key_F10 && key.modifiers() == Qt::ShiftModifier;
}

bool FormMenu::eventFilter(QObject* watched, QEvent* event) {
    if (watched != window_) {
        return false;
    }
    if (event->type() == QEvent::ContextMenu) {
        menu_->popup(static_cast<QContextMenuEvent*>(event)->globalPos());
        return true;
    }
    if (event->type() == QEvent::KeyPress && opensMenu(*static_cast<QKeyEvent*>(event))) {
        menu_->popup(window_->mapToGlobal(QPoint(0, 0)));
        return true;
    }
    return false;
}

void FormMenu::showSettings() {
    zverr::trapEvent("modFormMenu.WindowProc", [this] {
        frmSett dialog(skin_);
        dialog.exec();
    });
}

void FormMenu::showAbout() {
    zverr::trapEvent("modFormMenu.WindowProc", [this] {
        frmAbout dialog(skin_, stations_.localConfig);
        dialog.exec();
    });
}

void FormMenu::openManual() {
    // A missing manual or one without a viewer shows nothing: the result is not examined.
    zverr::trapEvent("modFormMenu.WindowProc", [] {
        zvshell::open(QUrl::fromLocalFile(zvpaths::programFolder() +
                                          QStringLiteral("/ZenoviaHasznalatiUtmutato.pdf")));
    });
}

void FormMenu::showHistory() {
    zverr::trapEvent("modFormMenu.WindowProc", [this] {
        frmHistory dialog(skin_, zvengine::titleHistory());
        dialog.exec();
    });
}
