// The same conversions as bench_geodesy, through PROJ: a reference for the throughput figures.
// Built against PROJ only where bench/extra.cmake found it; elsewhere an empty benchmark program.
#include <benchmark/benchmark.h>

#if defined(VORNA_HAVE_PROJ) && __has_include(<proj.h>)

#include <proj.h>

#include <cstdint>
#include <random>
#include <vector>

namespace {

constexpr size_t kPoints = 1 << 20;
constexpr double kDeg = 3.141592653589793 / 180.0;

// Transverse Mercator on Krassovsky about 39E, scale 1, no false easting (radians in).
const char* const kTmerc = "+proj=tmerc +lat_0=0 +lon_0=39 +k=1 +x_0=0 +ellps=krass";
// WGS 84 to zone 7 Gauss-Kruger on S-42 with our seven parameters (position-vector signs).
const char* const kWgs84 = "+proj=longlat +datum=WGS84 +type=crs";
const char* const kGkZone7 =
    "+proj=tmerc +lat_0=0 +lon_0=39 +k=1 +x_0=7500000 +y_0=0 +ellps=krass "
    "+towgs84=26.3,-132.6,-76.3,0.22,0.40,0.90,-0.12 +units=m +type=crs";

// Latitudes 40-70 deg, longitudes 36-42 deg (as bench_geodesy), in degrees.
struct Points {
    std::vector<double> lon, lat;
    Points()
    {
        std::mt19937 rng(42);
        std::uniform_real_distribution<double> la(40, 70), lo(36, 42);
        for (size_t i = 0; i < kPoints; ++i) {
            lat.push_back(la(rng));
            lon.push_back(lo(rng));
        }
    }
};

const Points& Source()
{
    static const Points points;
    return points;
}

void Run(benchmark::State& state, PJ* P, PJ_DIRECTION dir, const std::vector<double>& a,
         const std::vector<double>& b)
{
    std::vector<double> x(kPoints), y(kPoints);
    for (auto _ : state) {
        state.PauseTiming();
        x = a;
        y = b;
        state.ResumeTiming();
        proj_trans_generic(P, dir, x.data(), sizeof(double), kPoints, y.data(), sizeof(double), kPoints,
                           nullptr, 0, 0, nullptr, 0, 0);
        benchmark::DoNotOptimize(x.data());
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(kPoints));
}

void BM_ProjTmerc(benchmark::State& state, PJ_DIRECTION dir)
{
    PJ* P = proj_create(PJ_DEFAULT_CTX, kTmerc);
    if (!P) {
        state.SkipWithError("PROJ cannot create the tmerc conversion");
        return;
    }
    std::vector<double> lon(kPoints), lat(kPoints);
    for (size_t i = 0; i < kPoints; ++i) {
        lon[i] = Source().lon[i] * kDeg;
        lat[i] = Source().lat[i] * kDeg;
    }
    if (dir == PJ_INV)
        proj_trans_generic(P, PJ_FWD, lon.data(), sizeof(double), kPoints, lat.data(), sizeof(double),
                           kPoints, nullptr, 0, 0, nullptr, 0, 0);
    Run(state, P, dir, lon, lat);
    proj_destroy(P);
}

void BM_ProjGk(benchmark::State& state, PJ_DIRECTION dir)
{
    PJ* raw = proj_create_crs_to_crs(PJ_DEFAULT_CTX, kWgs84, kGkZone7, nullptr);
    PJ* P = raw ? proj_normalize_for_visualization(PJ_DEFAULT_CTX, raw) : nullptr;
    proj_destroy(raw);
    if (!P) {
        state.SkipWithError("PROJ cannot create the Gauss-Kruger pipeline");
        return;
    }
    std::vector<double> lon = Source().lon, lat = Source().lat;
    if (dir == PJ_INV)
        proj_trans_generic(P, PJ_FWD, lon.data(), sizeof(double), kPoints, lat.data(), sizeof(double),
                           kPoints, nullptr, 0, 0, nullptr, 0, 0);
    Run(state, P, dir, lon, lat);
    proj_destroy(P);
}

}  // namespace

BENCHMARK_CAPTURE(BM_ProjTmerc, Forward, PJ_FWD)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ProjTmerc, Inverse, PJ_INV)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ProjGk, Forward, PJ_FWD)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ProjGk, Inverse, PJ_INV)->Unit(benchmark::kMillisecond);

#endif

BENCHMARK_MAIN();
