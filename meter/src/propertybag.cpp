#include "propertybag.h"

#include <algorithm>
#include <limits>

namespace {

QString typeName(PropertyBag::Type type) {
    switch (type) {
        case PropertyBag::Type::Boolean:
            return QStringLiteral("Boolean");
        case PropertyBag::Type::Integer:
            return QStringLiteral("Integer");
        case PropertyBag::Type::Long:
            return QStringLiteral("Long");
    }
    return {};
}

std::optional<PropertyBag::Type> parseType(QStringView text) {
    for (auto type :
         {PropertyBag::Type::Boolean, PropertyBag::Type::Integer, PropertyBag::Type::Long}) {
        if (text.compare(typeName(type), Qt::CaseInsensitive) == 0) {
            return type;
        }
    }
    return std::nullopt;
}

std::optional<PropertyBag::Value> parseValue(PropertyBag::Type type, QStringView text) {
    if (type == PropertyBag::Type::Boolean) {
        if (text.compare(u"True", Qt::CaseInsensitive) == 0) {
            return PropertyBag::Value::boolean(true);
        }
        if (text.compare(u"False", Qt::CaseInsensitive) == 0) {
            return PropertyBag::Value::boolean(false);
        }
        return std::nullopt;
    }
    // Plain decimal only: toLongLong would also take "+5", blanks inside and other bases.
    const bool negative = text.startsWith(u'-');
    const QStringView digits = negative ? text.mid(1) : text;
    if (digits.isEmpty() || digits.size() > 11 ||
        !std::all_of(digits.begin(), digits.end(),
                     [](QChar c) { return c >= u'0' && c <= u'9'; })) {
        return std::nullopt;
    }
    const qlonglong number = text.toLongLong();
    if (type == PropertyBag::Type::Integer) {
        if (number < std::numeric_limits<std::int16_t>::min() ||
            number > std::numeric_limits<std::int16_t>::max()) {
            return std::nullopt;
        }
        return PropertyBag::Value::integer(static_cast<std::int16_t>(number));
    }
    if (number < std::numeric_limits<std::int32_t>::min() ||
        number > std::numeric_limits<std::int32_t>::max()) {
        return std::nullopt;
    }
    return PropertyBag::Value::longValue(static_cast<std::int32_t>(number));
}

bool validKey(QStringView key) {
    return !key.isEmpty() && std::none_of(key.begin(), key.end(), [](QChar c) {
        return c.isSpace() || c == u':' || c == u'=';
    });
}

}  // namespace

std::int16_t PropertyBag::Value::toInteger() const {
    return static_cast<std::int16_t>(
        std::clamp<std::int32_t>(number_, std::numeric_limits<std::int16_t>::min(),
                                 std::numeric_limits<std::int16_t>::max()));
}

PropertyBag::Value PropertyBag::Value::convertedTo(Type type) const {
    switch (type) {
        case Type::Boolean:
            return boolean(toBool());
        case Type::Integer:
            return integer(toInteger());
        case Type::Long:
            return longValue(toLong());
    }
    return *this;
}

void PropertyBag::writeProperty(const QString& name, Value value, Value defaultValue) {
    if (value == defaultValue.convertedTo(value.type())) {
        const qsizetype at = find(name.toLower());
        if (at >= 0) {
            entries_.removeAt(at);
        }
        return;
    }
    writeProperty(name, value);
}

void PropertyBag::writeProperty(const QString& name, Value value) {
    const QString key = name.toLower();
    const qsizetype at = find(key);
    if (at >= 0) {
        entries_[at].second = value;
    } else {
        entries_.append({key, value});
    }
}

PropertyBag::Value PropertyBag::readProperty(const QString& name, Value defaultValue) const {
    const qsizetype at = find(name.toLower());
    return at >= 0 ? entries_[at].second : defaultValue;
}

bool PropertyBag::contains(const QString& name) const {
    return find(name.toLower()) >= 0;
}

QList<QString> PropertyBag::keys() const {
    QList<QString> result;
    result.reserve(entries_.size());
    for (const auto& entry : entries_) {
        result.append(entry.first);
    }
    return result;
}

QString PropertyBag::toText() const {
    QString text;
    for (const auto& [key, value] : entries_) {
        text += key + QStringLiteral(": ") + typeName(value.type()) + QStringLiteral(" = ");
        if (value.type() == Type::Boolean) {
            text += value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
        } else {
            text += QString::number(value.toLong());
        }
        text += u'\n';
    }
    return text;
}

std::optional<PropertyBag> PropertyBag::fromText(QStringView text, QString* error) {
    auto fail = [error](qsizetype line, const QString& why) -> std::optional<PropertyBag> {
        if (error) {
            *error = line > 0 ? QStringLiteral("line %1: %2").arg(line).arg(why) : why;
        }
        return std::nullopt;
    };
    if (text.size() > kMaxTextSize) {
        return fail(0, QStringLiteral("text longer than %1 characters").arg(kMaxTextSize));
    }
    PropertyBag bag;
    qsizetype lineNumber = 0;
    for (QStringView line : text.split(u'\n')) {
        ++lineNumber;
        if (line.endsWith(u'\r')) {
            line.chop(1);
        }
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(u'#')) {
            continue;
        }
        const qsizetype colon = line.indexOf(u':');
        const qsizetype equals = line.indexOf(u'=');
        if (colon < 0 || equals < colon) {
            return fail(lineNumber, QStringLiteral("expected \"key: Type = value\""));
        }
        const QStringView key = line.first(colon).trimmed();
        if (!validKey(key)) {
            return fail(lineNumber, QStringLiteral("bad key"));
        }
        const auto type = parseType(line.sliced(colon + 1, equals - colon - 1).trimmed());
        if (!type) {
            return fail(lineNumber, QStringLiteral("unknown type"));
        }
        const auto value = parseValue(*type, line.sliced(equals + 1).trimmed());
        if (!value) {
            return fail(lineNumber, QStringLiteral("bad %1 value").arg(typeName(*type)));
        }
        if (bag.contains(key.toString())) {
            return fail(lineNumber, QStringLiteral("key given twice"));
        }
        bag.writeProperty(key.toString(), *value);
    }
    return bag;
}

qsizetype PropertyBag::find(const QString& lowerName) const {
    const auto it = std::find_if(entries_.begin(), entries_.end(),
                                 [&](const auto& entry) { return entry.first == lowerName; });
    return it == entries_.end() ? -1 : it - entries_.begin();
}
