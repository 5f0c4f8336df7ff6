#include "tests/platform/nls_reference.h"

#include <iterator>

#include "tests/platform/nls_locale_reference.inc"
#include "tests/platform/nls_reference.inc"

const int LocaleTextCount = static_cast<int>(std::size(LocaleTexts));
const int ReferenceTextCount = static_cast<int>(std::size(ReferenceTexts));
static_assert(std::size(ReferenceOrder) == std::size(ReferenceTexts), "every added text is in the order");
