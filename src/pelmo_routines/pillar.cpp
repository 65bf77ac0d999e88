#include "pelmo_routines/stations.h"

#include "report/iocat3.h"

namespace quarlo {

// "(P)" follows the name after one blank, or directly after a name that
// fills all 20 columns of its field.
void pillar(RunContext& ctx, int col) {
    const auto& line = ctx.ioarea.prtlin;
    int k = 0;
    for (int pos = col + 19; pos >= col - 1; --pos) {
        if (pos >= 1 && pos <= 132 && line(pos) != ' ') {
            k = pos;
            break;
        }
    }
    if (k == 0) return;
    if (k == col + 19) k = k - 1;
    ioc11(ctx, "(P)", k + 2);
}

} // namespace quarlo
