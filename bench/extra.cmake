# Benchmarks that need more than the per-file rule gives them.

# bench_geodesy_proj: the geodesy conversions through PROJ, for comparison. Where pkg-config finds
# PROJ the program links it; elsewhere it stays the empty program the per-file rule builds.
find_package(PkgConfig QUIET)
if(PKG_CONFIG_FOUND)
  pkg_check_modules(PROJ QUIET IMPORTED_TARGET proj)
endif()
if(PROJ_FOUND)
  if(NOT TARGET bench_geodesy_proj)
    add_executable(bench_geodesy_proj ${CMAKE_CURRENT_SOURCE_DIR}/bench_geodesy_proj.cpp)
    target_link_libraries(bench_geodesy_proj PRIVATE benchmark::benchmark)
  endif()
  target_link_libraries(bench_geodesy_proj PRIVATE PkgConfig::PROJ)
  target_compile_definitions(bench_geodesy_proj PRIVATE VORNA_HAVE_PROJ=1)
endif()

# bench_rasterlib: the raster library's plain code (the library itself is loaded by name).
if(TARGET bench_rasterlib)
  target_link_libraries(bench_rasterlib PRIVATE tilvex_model)
endif()

# bench_raster_tiles: pictures through the image module, made once into the build tree by
# vorna-mksample; the bare libtiff tile read is its floor.
if(TARGET bench_raster_tiles)
  find_package(TIFF REQUIRED)
  target_link_libraries(bench_raster_tiles PRIVATE TIFF::TIFF)
  target_compile_definitions(bench_raster_tiles PRIVATE VORNA_BINARY_DIR="${CMAKE_BINARY_DIR}")
  add_dependencies(bench_raster_tiles Pelnor vorna-mksample)
endif()
