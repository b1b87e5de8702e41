// Parsing and changing a user.reg of realistic to large size (a prefix with
// many programs installed holds tens of thousands of keys).
#include <registry/hive_document.h>

#include <benchmark/benchmark.h>

#include <string>

namespace {

std::string GeneratedHive(int keys) {
    std::string text = "WINE REGISTRY Version 2\n;; All keys relative to \\\\User\\\\S-1-5-21-0-0-0-1000\n\n#arch=win64\n";
    for (int i = 0; i < keys; ++i) {
        const std::string n = std::to_string(i);
        text += "\n[Software\\\\Vendor" + n + "\\\\Product\\\\Settings] 1700000000\n#time=1da0b0c0d0e0f00\n";
        text += "\"Path\"=\"C:\\\\Program Files\\\\Vendor" + n + "\\\\bin\"\n";
        text += "\"Blob\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,17,\\\n  18,19\n";
        text += "\"Count\"=dword:0000002a\n";
    }
    text += "\n[Environment] 1700000000\n\"PATH\"=str(2):\"C:\\\\A;C:\\\\B\"\n";
    return text;
}

void BM_ParseHive(benchmark::State& state) {
    const std::string text = GeneratedHive(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        std::string error;
        benchmark::DoNotOptimize(registry::HiveDocument::Parse(text, error));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ParseHive)->Arg(1000)->Arg(30000)->Unit(benchmark::kMillisecond);

void BM_SetPathValue(benchmark::State& state) {
    std::string error;
    const auto doc = registry::HiveDocument::Parse(GeneratedHive(static_cast<int>(state.range(0))), error);
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            doc->WithStringValue("Environment", "PATH", registry::kRegExpandSz, "C:\\A;C:\\B;C:\\Notes", 1700000000));
    }
}
BENCHMARK(BM_SetPathValue)->Arg(1000)->Arg(30000)->Unit(benchmark::kMillisecond);

}  // namespace
