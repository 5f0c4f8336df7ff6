// Icons and cursors: LoadIconA / LoadCursorA handles and their Qt pictures.
#pragma once

#include <QIcon>

#include "platform/linux/winapi.h"

namespace winlayer {

// The picture of an icon handle; a null icon for none or an unknown handle.
QIcon iconFor(HICON icon);

}  // namespace winlayer
