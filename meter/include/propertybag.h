// PropertyBag: the saved design data of a control, as named, typed values.
//
// Keys are stored in lower case and matched without regard to letter case. A value written
// together with a default is left out when it equals that default (compared after conversion to
// the value's type), so a reader asks for every key with its default and gets that default back
// for anything absent. Keys keep the order in which they were first written.
//
// Text form (toText writes it, fromText reads it): one key per line,
//
//     key: Type = value
//
// where Type is Boolean, Integer (16-bit) or Long (32-bit), a Boolean value is True or False and
// a number is decimal with an optional minus sign. Example, the saved form of a level meter:
//
//     level: Long = 0
//     midlevel: Long = 60
//     horizontal: Boolean = False
//
// Reading accepts line ends LF or CR LF, blanks around every part, empty lines and comment lines
// that start with '#', and type names and True/False in any letter case. It refuses (fromText
// answers std::nullopt with a message naming the line) a text longer than kMaxTextSize, a line
// without ':' or '=', an empty key or one holding blanks, ':' or '=', an unknown type, a value
// that is not of its type or out of its type's range, and a key given twice.
//
// Thread contract: a bag is a plain value; one instance may be used by one thread at a time.
#ifndef PULSEBAR_PROPERTYBAG_H
#define PULSEBAR_PROPERTYBAG_H

#include <QList>
#include <QString>
#include <QStringView>
#include <cstdint>
#include <optional>
#include <utility>

#include "pulsebar_export.h"

class PULSEBAR_EXPORT PropertyBag {
public:
    // The longest text fromText reads, in UTF-16 code units.
    static constexpr qsizetype kMaxTextSize = 64 * 1024;

    enum class Type { Boolean, Integer, Long };

    // One typed value. A Boolean converts to a number as -1 (True) or 0 (False); a number
    // converts to a Boolean as "not zero"; narrowing to Integer saturates at the 16-bit limits.
    class Value {
    public:
        static Value boolean(bool v) { return Value(Type::Boolean, v ? -1 : 0); }
        static Value integer(std::int16_t v) { return Value(Type::Integer, v); }
        static Value longValue(std::int32_t v) { return Value(Type::Long, v); }

        Type type() const { return type_; }
        bool toBool() const { return number_ != 0; }
        std::int16_t toInteger() const;
        std::int32_t toLong() const { return number_; }

        // This value converted to `type`.
        Value convertedTo(Type type) const;

        bool operator==(const Value&) const = default;

    private:
        Value(Type type, std::int32_t number) : type_(type), number_(number) {}

        Type type_;
        std::int32_t number_;  // -1 or 0 for a Boolean
    };

    // Stores `value` under `name`, or removes `name` when `value` equals `defaultValue`
    // converted to the value's type.
    void writeProperty(const QString& name, Value value, Value defaultValue);
    // Stores `value` under `name` unconditionally.
    void writeProperty(const QString& name, Value value);
    // The value stored under `name` (any letter case), or `defaultValue` when there is none.
    Value readProperty(const QString& name, Value defaultValue) const;

    bool contains(const QString& name) const;
    // The stored keys, lower case, in the order they were first written.
    QList<QString> keys() const;
    qsizetype size() const { return entries_.size(); }

    QString toText() const;
    static std::optional<PropertyBag> fromText(QStringView text, QString* error = nullptr);

    bool operator==(const PropertyBag&) const = default;

private:
    qsizetype find(const QString& lowerName) const;

    QList<std::pair<QString, Value>> entries_;  // keys lower case, unique
};

#endif
