// The process's Qt application object, created on first use.
#pragma once

namespace winlayer {

// Creates the application object (with the process's own arguments) once.
void ensureApp();

}  // namespace winlayer
