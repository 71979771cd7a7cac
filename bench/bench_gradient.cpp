// Painting the background ramp on a 1024 x 721 image, against filling the
// same image with one colour (the least any painting of it can cost).
#include "ui/widgets/gradient_painter.h"

#include <QGuiApplication>
#include <QImage>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>

namespace {

void BM_FillReference(benchmark::State& state) {
    QImage image(1024, 721, QImage::Format_RGB32);
    for (auto _ : state) {
        image.fill(Qt::white);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_FillReference);

void BM_PaintGradient(benchmark::State& state) {
    QImage image(1024, 721, QImage::Format_RGB32);
    for (auto _ : state) {
        soru::paintGradient(image, 0xFFFFFF);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_PaintGradient);

template <class F> double secondsPer(F&& f, int n) {
    const auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < n; ++i)
        f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count() / n;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    QImage image(1024, 721, QImage::Format_RGB32);
    const double fill = secondsPer([&] { image.fill(Qt::white); }, 200);
    const double ramp = secondsPer([&] { soru::paintGradient(image, 0xFFFFFF); }, 200);
    std::printf("ratio gradient / plain fill: %.2f\n", ramp / fill);
    benchmark::Shutdown();
    return 0;
}
