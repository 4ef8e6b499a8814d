// DIDADIT of a 10 MB file between two connections over an in-process link without pacing, beside a plain
// copy of the same bytes through the same queues.
#include "TransferStrecke.h"
#include "connections/transfer/VerbindungDidaditReceiveU.h"
#include "connections/transfer/VerbindungDidaditSendU.h"

namespace {

void BM_DidaditUebertragung(benchmark::State& state) {
    quarn::bench::Uebertragung<quarn::TVerbindungDidaditSend, quarn::TVerbindungDidaditReceive>(
        state, "didadit_bench", quarn::kProtokollDidadit);
}
BENCHMARK(BM_DidaditUebertragung)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_KopieDurchDieQueues(benchmark::State& state) {
    quarn::bench::KopieDurchDieQueues(state);
}
BENCHMARK(BM_KopieDurchDieQueues)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
