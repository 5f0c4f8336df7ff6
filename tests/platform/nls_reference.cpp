#include "tests/platform/nls_reference.h"

#include <iterator>

#include "tests/platform/nls_reference.inc"

const int kReferenceTextCount = static_cast<int>(std::size(kReferenceTexts));
static_assert(std::size(kReferenceOrder) == std::size(kReferenceTexts), "every added text is in the order");
