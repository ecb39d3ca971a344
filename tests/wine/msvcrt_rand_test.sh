#!/usr/bin/env bash
# The game's random generator (pf/random.h) against the Windows C runtime's
# own: a small program, built here with mingw-w64, loads msvcrt.dll, binds its
# rand and srand and compares their draws with pf::rand's, before any seed and
# for many seeds (zero, above 2^31, the largest), a hundred thousand draws
# each. Reseeding one must never disturb the other: they keep their own state.
set -uo pipefail
source "$(dirname "$0")/lib.sh"
vx_scratch

cxx=$(command -v i686-w64-mingw32-g++-posix || command -v i686-w64-mingw32-g++)
check "the mingw-w64 compiler is there" [ -n "$cxx" ]

cat >rand_probe.cpp <<'EOF'
#include <windows.h>

#include <cstdio>

#include "pf/random.h"

typedef int(__cdecl* RandFn)(void);
typedef void(__cdecl* SrandFn)(unsigned);

int main() {
    HMODULE crt = LoadLibraryA("msvcrt.dll");
    if (crt == nullptr) { std::printf("FAILED: msvcrt.dll did not load\n"); return 1; }
    RandFn crtRand = reinterpret_cast<RandFn>(reinterpret_cast<void*>(GetProcAddress(crt, "rand")));
    SrandFn crtSrand = reinterpret_cast<SrandFn>(reinterpret_cast<void*>(GetProcAddress(crt, "srand")));
    if (crtRand == nullptr || crtSrand == nullptr) { std::printf("FAILED: no rand or srand in msvcrt.dll\n"); return 1; }
    int failures = 0;
    // Before any srand of either.
    for (int i = 0; i < 1000; ++i) {
        const int want = crtRand(), got = pf::rand();
        if (want != got) { std::printf("FAILED: unseeded draw %d: msvcrt %d, pf %d\n", i, want, got); ++failures; break; }
    }
    std::printf("first draws of msvcrt.dll after srand(1):");
    crtSrand(1);
    for (int i = 0; i < 5; ++i) std::printf(" %d", crtRand());
    std::printf("\n");
    const unsigned seeds[] = {0u, 1u, 2u, 77u, 1234u, 32767u, 65536u, 0x7FFFFFFFu, 0x80000000u,
                              3000000000u, 0xFFFFFFFEu, 0xFFFFFFFFu, 305419896u};
    int compared = 0;
    for (unsigned seed : seeds) {
        crtSrand(seed);
        pf::srand(seed);
        for (int i = 0; i < 100000; ++i) {
            const int want = crtRand(), got = pf::rand();
            ++compared;
            if (want != got) {
                std::printf("FAILED: seed %u draw %d: msvcrt %d, pf %d\n", seed, i, want, got);
                ++failures;
                break;
            }
        }
    }
    for (unsigned seed = 5; seed < 4000000000u; seed += 99991u * 97u) {
        crtSrand(seed);
        pf::srand(seed);
        for (int i = 0; i < 50; ++i, ++compared) {
            if (crtRand() != pf::rand()) { std::printf("FAILED: seed %u\n", seed); ++failures; break; }
        }
    }
    // Seeding one generator leaves the other where it was.
    crtSrand(42);
    pf::srand(42);
    crtRand();
    pf::srand(7);
    pf::srand(42);
    pf::rand();
    if (crtRand() != pf::rand()) { std::printf("FAILED: the generators share state\n"); ++failures; }
    std::printf("draws compared: %d\n", compared);
    if (failures == 0) std::printf("ok: pf::rand draws as msvcrt.dll rand\n");
    return failures == 0 ? 0 : 1;
}
EOF
check "the probe builds" "$cxx" -std=c++20 -O2 -Wall -Wextra -Werror -I"$VX_SOURCE_DIR/platform/include" \
  -static -static-libgcc -static-libstdc++ -o rand_probe.exe rand_probe.cpp

wine rand_probe.exe >probe.txt 2>probe.err
status=$?
tr -d '\r' <probe.txt
check "pf::rand draws what msvcrt.dll's rand draws" [ "$status" -eq 0 ]
check "msvcrt.dll's first draws after srand(1) are 41 18467 6334 26500 19169" \
  grep -q "^first draws of msvcrt.dll after srand(1): 41 18467 6334 26500 19169" probe.txt

vx_done
