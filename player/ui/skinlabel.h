// A label whose value is the text exactly as the program sets it (CR line breaks, "&&" for one
// "&"), displayed as the receiver's labels always were: a CR breaks the line and "&&" shows as
// "&". Code that reads a label reads value(), never the display.
//
// Thread contract: UI thread only; other threads reach it by queued invocation of setValue.
#pragma once

#include <QLabel>

class SkinLabel : public QLabel {
    Q_OBJECT
public:
    explicit SkinLabel(const QString& objectName, QWidget* parent = nullptr);

    const QString& value() const { return value_; }

public slots:
    // Sets the value and emits changed(), also when the value stays the same.
    void setValue(const QString& value);

signals:
    void changed();

private:
    QString value_;
};
