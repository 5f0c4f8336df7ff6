// Qt needs an application object before the first widget; the Win32 program
// never makes one, so the layer makes it on first use from /proc/self/cmdline.
#include "platform/linux/user/qt_app.h"

#include <QApplication>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace winlayer {
namespace {

std::string argumentBytes;  // the process's arguments, NUL-separated
std::vector<char*> argv;    // pointers into argumentBytes, null-terminated
int argc = 0;               // argument count handed to Qt

}  // namespace

void ensureApp() {
    if (QApplication::instance() != nullptr) return;
    std::ifstream in("/proc/self/cmdline", std::ios::binary);
    argumentBytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (argumentBytes.empty()) argumentBytes = std::string("cardloom") + '\0';
    if (argumentBytes.back() != '\0') argumentBytes += '\0';
    for (size_t start = 0; start < argumentBytes.size();) {
        argv.push_back(&argumentBytes[start]);
        start += std::char_traits<char>::length(&argumentBytes[start]) + 1;
    }
    argc = static_cast<int>(argv.size());
    argv.push_back(nullptr);
    new QApplication(argc, argv.data());
    QApplication::setQuitOnLastWindowClosed(false);
}

}  // namespace winlayer
