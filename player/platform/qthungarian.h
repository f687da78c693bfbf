// Qt's own texts in Hungarian, as the rest of the receiver's interface: the standard buttons of
// the message boxes ("Igen", "Nem", "Mégse"), the text boxes' context menus and the like. The
// interface is Hungarian whatever the user's locale, so these are too.
//
// Thread contract: UI thread, once the application object exists.
#pragma once

namespace zvlocale {

// Loads Qt's Hungarian translation (qtbase_hu.qm from Qt's translations folder) and puts it in
// place for the whole program; false when it is not installed (Qt's English texts stay). Calls
// after the first change nothing.
bool loadQtHungarian();

}  // namespace zvlocale
