// The accessibility annotation service: SetHwndPropStr with PROPID_ACC_NAME
// gives a control's widget the accessible name that assistive technology
// (AT-SPI) reads, as the platform's dynamic annotation does for its own
// controls. COM is only what reaching that service takes: CoInitializeEx
// remembers the call, CoCreateInstance knows this one class and wants it.
#include <QString>
#include <cstring>

#include "platform/linux/user/window_table.h"

const CLSID CLSID_AccPropServices = {
    0xb5f8350b, 0x0548, 0x48b1, {0xa6, 0xee, 0x88, 0xbd, 0x00, 0xb4, 0xa5, 0xe7}};
const IID IID_IAccPropServices = {
    0x6e26e776, 0x04f0, 0x495d, {0x80, 0xe4, 0x33, 0x30, 0x35, 0x2e, 0x31, 0x69}};
const MSAAPROPID PROPID_ACC_NAME = {
    0x608d3df8, 0x8128, 0x4aa7, {0xa4, 0x28, 0xf5, 0x5e, 0x49, 0x26, 0x72, 0x91}};

namespace winlayer {
namespace {

bool sameGuid(const GUID& a, const GUID& b) {
    return std::memcmp(&a, &b, sizeof(GUID)) == 0;
}

class AnnotationService final : public IAccPropServices {
  public:
    HRESULT WINAPI SetHwndPropStr(HWND window, DWORD idObject, DWORD idChild, MSAAPROPID idProp,
                                  LPCWSTR text) override {
        Window* w = winlayer::findWindow(window);
        if (w == nullptr || w->widget == nullptr || text == nullptr) return E_INVALIDARG;
        if (static_cast<LONG>(idObject) != OBJID_CLIENT || idChild != CHILDID_SELF ||
            !sameGuid(idProp, PROPID_ACC_NAME))
            return E_INVALIDARG;
        w->widget->setAccessibleName(QString::fromWCharArray(text));
        return S_OK;
    }
};

AnnotationService service;
bool comInitialized = false;

}  // namespace
}  // namespace winlayer

HRESULT WINAPI CoInitializeEx(LPVOID, DWORD) {
    if (winlayer::comInitialized) return S_FALSE;
    winlayer::comInitialized = true;
    return S_OK;
}

HRESULT WINAPI CoCreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD, REFIID iid, LPVOID* object) {
    if (object == nullptr) return E_INVALIDARG;
    *object = nullptr;
    if (!winlayer::comInitialized) return CO_E_NOTINITIALIZED;
    if (outer != nullptr || !winlayer::sameGuid(clsid, CLSID_AccPropServices)) return REGDB_E_CLASSNOTREG;
    if (!winlayer::sameGuid(iid, IID_IAccPropServices)) return E_NOINTERFACE;
    *object = static_cast<IAccPropServices*>(&winlayer::service);
    return S_OK;
}
