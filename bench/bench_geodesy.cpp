// Throughput of the coordinate conversions that run per GPS fix and per drawn vertex, and of the
// rubber sheet of a raster map. Targets (points/s, one thread): TmForward and TmInverse on the
// Krassovsky row >= 5 M each; GeoToGk and GkToGeo (datum shift plus projection) >= 2 M each.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "geodesy/geodesy.h"

namespace {

constexpr size_t kPoints = 1 << 20;
constexpr double kDeg = 3.141592653589793 / 180.0;
constexpr double kMeridian = 39.0;  // zone 7

// Latitudes 40-70 deg, longitudes within 3 deg of the meridian, radians.
struct Points {
    std::vector<double> lat, lon;
    Points()
    {
        std::mt19937 rng(42);
        std::uniform_real_distribution<double> la(40, 70), lo(kMeridian - 3, kMeridian + 3);
        for (size_t i = 0; i < kPoints; ++i) {
            lat.push_back(la(rng) * kDeg);
            lon.push_back(lo(rng) * kDeg);
        }
    }
};

const Points& Source()
{
    static const Points points;
    return points;
}

void Start()
{
    InitGeodesy();
    SelectEllipsoid(kEllipsoidKrassovsky);
}

void BM_TmForward(benchmark::State& state)
{
    Start();
    const std::vector<double>& lat = Source().lat;
    const std::vector<double>& lon = Source().lon;
    double sink = 0;
    for (auto _ : state) {
        for (size_t i = 0; i < kPoints; ++i) {
            double x = 0, y = 0;
            TmForward(lat[i], lon[i], kMeridian * kDeg, x, y);
            sink += x + y;
        }
    }
    benchmark::DoNotOptimize(sink);
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(kPoints));
}

void BM_TmInverse(benchmark::State& state)
{
    Start();
    const std::vector<double>& lat = Source().lat;
    const std::vector<double>& lon = Source().lon;
    std::vector<double> xs(kPoints), ys(kPoints);
    for (size_t i = 0; i < kPoints; ++i)
        TmForward(lat[i], lon[i], kMeridian * kDeg, xs[i], ys[i]);
    double sink = 0;
    for (auto _ : state) {
        for (size_t i = 0; i < kPoints; ++i) {
            double la = 0, lo = 0;
            TmInverse(xs[i], ys[i], kMeridian * kDeg, la, lo);
            sink += la + lo;
        }
    }
    benchmark::DoNotOptimize(sink);
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(kPoints));
}

void BM_GeoToGk(benchmark::State& state)
{
    Start();
    const std::vector<double>& lat = Source().lat;
    const std::vector<double>& lon = Source().lon;
    double sink = 0;
    for (auto _ : state) {
        for (size_t i = 0; i < kPoints; ++i) {
            double x = 0, y = 0;
            GeoToGk(lat[i], lon[i], x, y, kMeridian);
            sink += x + y;
        }
    }
    benchmark::DoNotOptimize(sink);
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(kPoints));
}

void BM_GkToGeo(benchmark::State& state)
{
    Start();
    const std::vector<double>& lat = Source().lat;
    const std::vector<double>& lon = Source().lon;
    std::vector<double> xs(kPoints), ys(kPoints);
    for (size_t i = 0; i < kPoints; ++i)
        GeoToGk(lat[i], lon[i], xs[i], ys[i], kMeridian);
    double sink = 0;
    for (auto _ : state) {
        for (size_t i = 0; i < kPoints; ++i) {
            double la = 0, lo = 0;
            GkToGeo(xs[i], ys[i], la, lo);
            sink += la + lo;
        }
    }
    benchmark::DoNotOptimize(sink);
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(kPoints));
}

std::vector<TTinControlPoint> ControlPoints(int n)
{
    std::mt19937 rng(7);
    std::uniform_int_distribution<int32_t> d(0, 4000);
    std::vector<TTinControlPoint> pts;
    for (int i = 0; i < n; ++i) {
        const int32_t x = d(rng), y = d(rng);
        pts.push_back({6100000.0 - 0.75 * y + 2e-6 * x * y, 7400000.0 + 0.8 * x + 3e-7 * double(y) * y, x, y});
    }
    return pts;
}

void BM_TinBuild1000(benchmark::State& state)
{
    const std::vector<TTinControlPoint> pts = ControlPoints(1000);
    for (auto _ : state) {
        TTinTransform tin;
        benchmark::DoNotOptimize(tin.Build(pts));
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * 1000);
}

// 1 M conversions along scan lines of a 1024 x 1024 picture, as a raster map is drawn.
void BM_TinPixelToMapScanLines(benchmark::State& state)
{
    TTinTransform tin;
    tin.Build(ControlPoints(state.range(0)));
    double sink = 0;
    for (auto _ : state) {
        for (int32_t y = 0; y < 4096; y += 4) {
            for (int32_t x = 0; x < 4096; x += 4) {
                double X = 0, Y = 0;
                tin.PixelToMap(x, y, X, Y);
                sink += X + Y;
            }
        }
    }
    benchmark::DoNotOptimize(sink);
    state.SetItemsProcessed(int64_t(state.iterations()) * 1024 * 1024);
}

}  // namespace

BENCHMARK(BM_TmForward)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TmInverse)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GeoToGk)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GkToGeo)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TinBuild1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TinPixelToMapScanLines)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
