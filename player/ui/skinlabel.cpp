#include "skinlabel.h"

SkinLabel::SkinLabel(const QString& objectName, QWidget* parent) : QLabel(parent) {
    setObjectName(objectName);
    setTextFormat(Qt::PlainText);
}

QString SkinLabel::displayText(const QString& value) {
    QString shown = value;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    shown.replace(QStringLiteral("&&"), QStringLiteral("&"));
    return shown;
}

void SkinLabel::setValue(const QString& value) {
    value_ = value;
    setText(displayText(value));
    emit changed();
}
