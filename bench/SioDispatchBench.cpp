// Receive path of the serial dispatcher on the scripted device: bytes arrive in the driver,
// FillInput moves them into the input ring, ScanReceived announces them, and a handler takes
// every byte with ReadChar. Measured with and without a data trigger armed, against a plain
// copy-and-read loop over the same bytes, and printed as bytes per second, nanoseconds per byte
// and the ratio to that baseline.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "FakeSerialDevice.h"
#include "SioMessageLoop.h"

namespace {

std::string Chunk(std::size_t size) {
    std::string bytes(size, ' ');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>('a' + i % 26);
    return bytes;
}

// What an application does with received bytes at the least: copy them and look at each one.
void BaselineCopyAndRead(benchmark::State& state) {
    const std::string chunk = Chunk(static_cast<std::size_t>(state.range(0)));
    std::vector<std::uint8_t> ring(8192);
    std::size_t head = 0;
    for (auto _ : state) {
        if (head + chunk.size() > ring.size()) head = 0;
        std::memcpy(ring.data() + head, chunk.data(), chunk.size());
        unsigned sum = 0;
        for (std::size_t i = 0; i < chunk.size(); ++i) sum += ring[head + i];
        head += chunk.size();
        benchmark::DoNotOptimize(sum);
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

void ReceivePath(benchmark::State& state, bool withDataTrigger) {
    const std::string chunk = Chunk(static_cast<std::size_t>(state.range(0)));
    TFakeSerialDevice port;
    if (port.OpenDefault() != 0) {
        state.SkipWithError("the fake port did not open");
        return;
    }
    unsigned sum = 0;
    TSioMessageLoop window([&](const TSioMessage& m) {
        for (std::uintptr_t i = 0; i < m.WParam; ++i) sum += static_cast<unsigned>(port.ReadChar());
        return std::intptr_t{0};
    });
    port.AttachWindow(&window);
    port.RecomputeHandlerNeed(1);
    port.SetAvailThreshold(1);
    if (withDataTrigger) port.NewDataTrigger("OK\r\n", true);  // never completed by the chunk
    for (auto _ : state) {
        port.Arrive(chunk);
        port.FillInput();
        while (port.ScanReceived()) {
        }
    }
    benchmark::DoNotOptimize(sum);
    if (port.InputCount() != 0) state.SkipWithError("bytes were left unread");
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

void DispatchReadChar(benchmark::State& state) {
    ReceivePath(state, false);
}
void DispatchReadCharDataTrigger(benchmark::State& state) {
    ReceivePath(state, true);
}

BENCHMARK(BaselineCopyAndRead)->Arg(16)->Arg(256);
BENCHMARK(DispatchReadChar)->Arg(16)->Arg(256);
BENCHMARK(DispatchReadCharDataTrigger)->Arg(16)->Arg(256);

// Keeps the console output and remembers each run's time per byte for the summary.
class TSummaryReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const auto& run : runs) {
            if (run.error_occurred || run.run_type != Run::RT_Iteration) continue;
            const std::string name = run.benchmark_name();
            const std::string chunk = name.substr(name.find('/') + 1);
            const double bytes = std::stod(chunk);
            nsPerByte[chunk][name.substr(0, name.find('/'))] = run.GetAdjustedRealTime() / bytes;
        }
    }
    std::map<std::string, std::map<std::string, double>> nsPerByte;  // chunk → name → ns
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    TSummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\n%-30s %6s %12s %10s %14s\n", "receive path", "chunk", "ns/byte", "MB/s",
                "x baseline");
    for (const auto& [chunk, results] : reporter.nsPerByte) {
        const auto base = results.find("BaselineCopyAndRead");
        for (const auto& [name, ns] : results) {
            const double ratio = base != results.end() ? ns / base->second : 0.0;
            std::printf("%-30s %6s %12.2f %10.1f %14.1f\n", name.c_str(), chunk.c_str(), ns,
                        1000.0 / ns, ratio);
        }
    }
    benchmark::Shutdown();
    return 0;
}
