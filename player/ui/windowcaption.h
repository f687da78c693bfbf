// The window's caption, which the task bar shows: "Zenovia", and while a station plays with the
// window minimised, the station's button caption and the title, so the task bar says what plays.
//
// Thread contract: a pure function, safe from any thread.
#pragma once

#include <QString>

// `title` is the title label's value, with "&&" for every "&": the caption shows it as the
// listener reads it, since a caption has no access keys. A blank title adds nothing.
QString windowCaption(bool playing, bool minimised, const QString& station, const QString& title);
