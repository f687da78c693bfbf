// The clock line of the main window: "HH:MM, <long date> <weekday>", for example
// "21:05, 2026. december 6. vasárnap" in Hungarian. Pure function; safe from any thread.
#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

QString clockText(const QDateTime& now, const QLocale& locale);
