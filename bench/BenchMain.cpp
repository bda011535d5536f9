// The main() of the Google Benchmark programs: a QApplication (offscreen unless a platform was
// chosen) around the registered benchmarks.
#include <QApplication>
#include <benchmark/benchmark.h>

#include <clocale>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // As in the program: libmpv needs a '.' decimal point.
    std::setlocale(LC_NUMERIC, "C");
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
