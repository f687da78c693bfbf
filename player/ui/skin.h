// The skin component: a skin file is a Qt style sheet. OpenSkin makes a file the current skin;
// SkinWindow draws a window (its frame, controls and dialogs included) in the current skin.
//
// Thread contract: UI thread only.
#pragma once

#include <QString>

class QWidget;

class Skin {
public:
    // Reads the skin file; a file that cannot be read raises a Failure and leaves the current
    // skin as it was.
    void OpenSkin(const QString& path);
    void SkinWindow(QWidget* window) const;

    const QString& currentFile() const { return file_; }

private:
    QString file_;
    QString styleSheet_;
};
