// The one export macro of libpulsebar: the library is built with hidden visibility, and only
// the classes marked with PULSEBAR_EXPORT are visible to programs that link it.
#ifndef PULSEBAR_EXPORT_H
#define PULSEBAR_EXPORT_H

#include <QtCore/qglobal.h>

#ifdef PULSEBAR_LIBRARY
#define PULSEBAR_EXPORT Q_DECL_EXPORT
#else
#define PULSEBAR_EXPORT Q_DECL_IMPORT
#endif

#endif
