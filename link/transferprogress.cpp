#include "transferprogress.h"

namespace LinkTransfer {

namespace {
// The first answers carry the link's latency but hardly any bytes; a guess from them alone
// would promise too much.
constexpr int kMinimumShareForEstimate = 10; // per cent of the total
constexpr qint64 kMinimumElapsedMs = 500;
} // namespace

qint64 remainingMs(int done, int total, qint64 elapsedMs)
{
    if (done <= 0 || total <= 0 || done > total || elapsedMs < 0)
        return -1;
    if (qint64(done) * 100 < qint64(total) * kMinimumShareForEstimate &&
        elapsedMs < kMinimumElapsedMs)
        return -1;
    return elapsedMs * (total - done) / done;
}

} // namespace LinkTransfer
