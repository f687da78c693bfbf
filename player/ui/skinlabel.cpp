#include "skinlabel.h"

#include "engine/receiverview.h"

SkinLabel::SkinLabel(const QString& objectName, QWidget* parent) : QLabel(parent) {
    setObjectName(objectName);
    setTextFormat(Qt::PlainText);
}

void SkinLabel::setValue(const QString& value) {
    value_ = value;
    setText(zvengine::displayText(value));
    emit changed();
}
