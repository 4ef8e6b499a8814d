// AutoBIN of a 10 MB file between two connections over an in-process link without pacing, beside a plain
// copy of the same bytes through the same queues.
#include "TransferStrecke.h"
#include "connections/transfer/VerbindungAutobinReceiveU.h"
#include "connections/transfer/VerbindungAutobinSendU.h"

namespace {

void BM_AutobinUebertragung(benchmark::State& state) {
    quarn::bench::Uebertragung<quarn::TVerbindungAutobinSend, quarn::TVerbindungAutobinReceive>(
        state, "autobin_bench", quarn::kProtokollAutobin);
}
BENCHMARK(BM_AutobinUebertragung)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_KopieDurchDieQueues(benchmark::State& state) {
    quarn::bench::KopieDurchDieQueues(state);
}
BENCHMARK(BM_KopieDurchDieQueues)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
