// Places the fourteen controls from one table: a fixed left column with the
// card list, and to its right rows of fields whose widths and heights are
// fractions of the room that is left.
#include "editor/layout.h"

#include "editor/main_window.h"

namespace {

// The quantities a term is measured from.
enum Base { Zero, Width, Height, RowRoom, ButtonRoom, TextRoom, CommentRoom };

// One coordinate: fraction * base + offset, truncated toward zero, or the
// plain integer base + offset when the fraction is 0.
struct Term {
    double fraction;
    Base base;
    int offset;
};

constexpr Term px(int value) {
    return {0, Zero, value};
}
constexpr Term plus(Base base, int offset) {
    return {0, base, offset};
}
constexpr Term part(double fraction, Base base, int offset = 0) {
    return {fraction, base, offset};
}

struct Placement {
    HWND* control;
    Term x, y, width, height;
};

// In the order of the moves.
const Placement Placements[] = {
    {&cardList, px(10), px(10), px(200), plus(Height, -40)},
    {&addButton, px(10), plus(Height, -30), px(90), px(20)},
    {&deleteButton, px(100), plus(Height, -30), px(90), px(20)},
    {&nameEdit, px(220), px(10), part(0.7, RowRoom), px(20)},
    {&costEdit, part(0.7, RowRoom, 230), px(10), part(0.15, RowRoom), px(20)},
    {&colourButton, part(0.85, RowRoom, 240), px(10), part(0.15, RowRoom), px(20)},
    {&colourList, part(0.85, RowRoom, 240), px(30), part(0.15, RowRoom), px(140)},
    {&typeEdit, px(220), px(40), part(0.45, RowRoom), px(20)},
    {&ptEdit, part(0.45, RowRoom, 230), px(40), part(0.1, RowRoom), px(20)},
    {&editionEdit, part(0.55, RowRoom, 240), px(40), part(0.45, RowRoom), px(20)},
    {&textEdit, px(220), px(70), plus(Width, -230), part(0.6, TextRoom)},
    {&commentEdit, px(220), part(0.6, CommentRoom, 80), plus(Width, -230), part(0.4, CommentRoom)},
    {&updateButton, px(220), plus(Height, -25), part(0.5, ButtonRoom), px(20)},
    {&saveButton, part(0.5, ButtonRoom, 230), plus(Height, -25), part(0.5, ButtonRoom), px(20)},
};

int evaluate(const Term& term, const int (&bases)[7]) {
    const int base = bases[term.base];
    if (term.fraction == 0) return base + term.offset;
    return static_cast<int>(static_cast<double>(base) * term.fraction + term.offset);
}

// Sizes that come out negative (a window narrower or lower than the fixed
// parts, or minimised) are given as 0, so every platform gets the same
// empty control instead of relying on its own clamping.
int size(int value) {
    return value < 0 ? 0 : value;
}

}  // namespace

void layoutControls(int width, int height) {
    const int bases[7] = {0, width, height, width - 250, width - 240, height - 100, height - 110};
    for (const Placement& row : Placements) {
        MoveWindow(*row.control, evaluate(row.x, bases), evaluate(row.y, bases),
                   size(evaluate(row.width, bases)), size(evaluate(row.height, bases)), TRUE);
    }
}
