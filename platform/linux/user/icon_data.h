// The program icon (the ICO file of the CARDLOOM resource), embedded at build
// time; empty when the file did not exist.
#pragma once

namespace winlayer {

extern const unsigned char CardloomIcon[];  // the bytes of res/cardloom.ico
extern const unsigned CardloomIconSize;     // their count, 0 without an icon file

}  // namespace winlayer
