// LoadIconA / LoadCursorA. The program's one icon resource, CARDLOOM, comes
// from the embedded ICO file; the system icons and cursors are stand-ins that
// only need distinct non-null handles.
#include "platform/linux/user/resources.h"

#include <QPixmap>

#include "platform/linux/user/icon_data.h"
#include "platform/linux/user/qt_app.h"
#include "platform/linux/user/window_class.h"

namespace winlayer {
namespace {

struct Resource {
    const char* name;  // resource name, null for a numbered system resource
    UINT_PTR number;   // system resource number, 0 for a named one
};

const Resource Icons[] = {{"CARDLOOM", 0},  {nullptr, 32512}, {nullptr, 32513}, {nullptr, 32514},
                          {nullptr, 32515}, {nullptr, 32516}, {nullptr, 32517}};
const Resource Cursors[] = {{nullptr, 32512}, {nullptr, 32513}, {nullptr, 32514}, {nullptr, 32515},
                            {nullptr, 32516}, {nullptr, 32642}, {nullptr, 32643}, {nullptr, 32644},
                            {nullptr, 32645}, {nullptr, 32646}, {nullptr, 32648}, {nullptr, 32649}};

template <size_t N>
HICON lookUp(const Resource (&table)[N], HINSTANCE instance, LPCSTR name) {
    for (const Resource& r : table) {
        bool match = IS_INTRESOURCE(name)
                         ? (instance == nullptr && r.number == reinterpret_cast<UINT_PTR>(name))
                         : (r.name != nullptr && sameName(r.name, name));
        if (match) return reinterpret_cast<HICON>(const_cast<Resource*>(&r));
    }
    return nullptr;
}

}  // namespace

QIcon iconFor(HICON icon) {
    if (icon != reinterpret_cast<HICON>(const_cast<Resource*>(&Icons[0])) || CardloomIconSize == 0)
        return QIcon();
    ensureApp();
    QPixmap picture;
    picture.loadFromData(CardloomIcon, CardloomIconSize, "ICO");
    return picture.isNull() ? QIcon() : QIcon(picture);
}

}  // namespace winlayer

using namespace winlayer;

HICON WINAPI LoadIconA(HINSTANCE instance, LPCSTR name) {
    if (name == nullptr) return nullptr;
    return lookUp(Icons, instance, name);
}

HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR name) {
    if (name == nullptr) return nullptr;
    return lookUp(Cursors, instance, name);
}
