// Cost of the matrix operations the render list runs for every effect change
// (view x projection products and their inverses), per call.
#include <benchmark/benchmark.h>

#include <d3dx10.h>

#include "bench_ratio.h"

namespace {

// A handful of well-conditioned matrices, cycled so that no result repeats.
const D3DXMATRIX* Inputs() {
  static D3DXMATRIX inputs[4];
  static bool ready = false;
  if (!ready) {
    D3DXMATRIX rotation, translation, projection;
    for (int i = 0; i < 4; ++i) {
      D3DXMatrixRotationYawPitchRoll(&rotation, 0.3f * i, 0.2f + 0.1f * i, -0.4f * i);
      D3DXMatrixTranslation(&translation, 1.0f + i, -2.0f, 0.5f * i);
      D3DXMatrixPerspectiveFovLH(&projection, 0.8f + 0.1f * i, 1.5f, 0.5f, 100.0f + i);
      D3DXMatrixMultiply(&inputs[i], &rotation, &translation);
      D3DXMatrixMultiply(&inputs[i], &inputs[i], &projection);
    }
    ready = true;
  }
  return inputs;
}

void BM_MatrixCopy(benchmark::State& state) {
  const D3DXMATRIX* inputs = Inputs();
  D3DXMATRIX out;
  unsigned int i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(&inputs[i & 3]);
    out = inputs[i & 3];
    benchmark::DoNotOptimize(&out);
    ++i;
  }
}
BENCHMARK(BM_MatrixCopy);

void BM_MatrixMultiply(benchmark::State& state) {
  const D3DXMATRIX* inputs = Inputs();
  D3DXMATRIX out;
  unsigned int i = 0;
  for (auto _ : state) {
    D3DXMatrixMultiply(&out, &inputs[i & 3], &inputs[(i + 1) & 3]);
    benchmark::DoNotOptimize(&out);
    ++i;
  }
}
BENCHMARK(BM_MatrixMultiply);

void BM_MatrixInverse(benchmark::State& state) {
  const D3DXMATRIX* inputs = Inputs();
  D3DXMATRIX out;
  float determinant;
  unsigned int i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(D3DXMatrixInverse(&out, &determinant, &inputs[i & 3]));
    benchmark::DoNotOptimize(&out);
    ++i;
  }
}
BENCHMARK(BM_MatrixInverse);

}  // namespace

int main(int argc, char** argv) {
  return RunWithRatios(argc, argv, {{"BM_MatrixMultiply", "BM_MatrixCopy"}, {"BM_MatrixInverse", "BM_MatrixCopy"}});
}
