// The card library's image, linked into the program at build time.
#pragma once

#include <QByteArrayView>

namespace brisken {

QByteArrayView EmbeddedLibrary();

} // namespace brisken
