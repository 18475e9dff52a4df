// Writes the seed corpora of the fuzz targets, korvel_fuzz_seeds DIR: for
// each command, DIR/<command>/ gets the calls of its tests, in and out of
// contract, in the format of call_format.h. Generated at build time, so the
// seeds follow the format instead of being binary blobs in the repository.
#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "call_format.h"

using fuzzcall::Writer;

namespace {

const double inf = std::numeric_limits<double>::infinity();
const double nan = std::numeric_limits<double>::quiet_NaN();

// A kind byte for another class: single, int32, uint8, logical, char; 0x40 complex.
const std::uint8_t kSingle = 1, kInt32 = 2, kChar = 5, kComplex = 0x40;

std::map<std::string, std::vector<Writer>> seeds() {
  std::map<std::string, std::vector<Writer>> all;
  const std::vector<double> points = {1, 2, 3, 3, 4, 0, 0, 0, 5, 0, 0, -5, -2, 0, 1, nan, 1, 2};
  const std::vector<double> edgePoints = {1, 0, 10, 3, 4, -100, 0, 2, 2, 0, 0, 0, inf, 1, -0.0,
                                          2, 0, -2, 1, 0, 1.1, 1, 0, 3};

  for (const char *name : {"korvelRange", "torusScreenMex", "coneScreenMex"}) {
    auto &list = all[name];
    list.push_back(Writer(1, 1).doubles(3, 6, points));
    list.push_back(Writer(1, 1).doubles(3, 8, edgePoints));
    list.push_back(Writer(1, 0).doubles(3, 0, {}));
    list.push_back(Writer(1, 1).doubles(2, 3, {1, 2, 3, 4, 5, 6}));
    list.push_back(Writer(1, 1).other(kSingle, 3, 2, 1));
    list.push_back(Writer(0, 1));
  }

  auto &offset = all["korvelOffset"];
  offset.push_back(Writer(2, 1).doubles(3, 6, points).doubles(3, 1, {1, 1, 1}));
  offset.push_back(Writer(2, 1).doubles(3, 2, {1, 2, 3, 4, 5, 6}).doubles(1, 3, {0, inf, nan}));
  offset.push_back(Writer(3, 3).doubles(3, 0, {}).doubles(2, 3, {1, 2, 3, 4, 5, 6}).doubles(1, 1, {9}));
  offset.push_back(Writer(2, 1).doubles(3, 1, {1, 2, 3}).doubles(1, 2, {1, 2}));
  offset.push_back(Writer(2, 1).other(kComplex, 3, 1, 1).other(kInt32, 1, 3, 2));

  auto &spin = all["korvelSpin"];
  spin.push_back(Writer(2, 1).doubles(3, 6, points).doubles(1, 1, {M_PI / 2}));
  spin.push_back(Writer(2, 1).doubles(3, 2, {1, 0, 5, inf, 1, -0.0}).doubles(1, 1, {0}));
  spin.push_back(Writer(2, 0).doubles(3, 0, {}).doubles(1, 2, {nan, 1}));
  spin.push_back(Writer(2, 1).doubles(3, 1, {1, 2, 3}).doubles(0, 0, {}));
  spin.push_back(Writer(2, 1).doubles(3, 1, {1, 2, 3}).other(kChar, 1, 1, 1));

  auto &faces = all["korvelFaceShown"];
  const std::vector<double> screen = {0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, nan, 0, 0, 0.5};
  faces.push_back(Writer(3, 1)
                      .int32s(3, 4, {0, 1, 2, 1, 3, 2, 4, 4, 4, 1, 3, 0})
                      .doubles(3, 5, screen)
                      .logicals(1, 4, {1, 1, 1, 0}));
  faces.push_back(Writer(3, 1).int32s(3, 2, {0, 1, 2, -1, 7, 9}).doubles(3, 5, screen)
                      .logicals(1, 2, {1, 2}));
  faces.push_back(Writer(3, 1).int32s(3, 1, {1, 5, 0}).doubles(3, 5, screen).logicals(1, 1, {1}));
  faces.push_back(Writer(3, 1).int32s(3, 0, {}).doubles(3, 0, {}).logicals(0, 0, {}));
  faces.push_back(Writer(3, 1).int32s(3, 2, {0, 0, 0, 0, 0, 0}).doubles(3, 1, {0, 0, 1})
                      .logicals(1, 1, {1}));

  auto &text = all["korvelStrokeText"];
  auto strokeCall = [](double counter, const std::vector<double> &codes, std::size_t columns,
                       int nlhs = 0) {
    Writer call(9, nlhs);
    call.doubles(4, columns, std::vector<double>(4 * columns, 0))
        .doubles(6, columns, std::vector<double>(6 * columns, 0))
        .doubles(1, 1, {counter})
        .doubles(4, 3, {0.25, 0.5, 0.75, 1, 0, 0, 1, 1, -1, 2, nan, inf})
        .doubles(1, codes.size(), codes)
        .doubles(1, 1, {10})
        .doubles(1, 2, {100, 20})
        .doubles(1, 1, {3})
        .doubles(1, 3, {0.1, 0.2, 0.3});
    return call;
  };
  text.push_back(strokeCall(0, {1, 2, 3}, 5));
  text.push_back(strokeCall(2.5, {2.9, 1}, 5));
  text.push_back(strokeCall(3, {1, 1, 3}, 5));  // one column short
  text.push_back(strokeCall(0, {}, 0));
  text.push_back(strokeCall(0, {0, 4}, 5));
  text.push_back(strokeCall(-1, {1}, 5));
  Writer sharedCodes(9, 0);
  sharedCodes.doubles(4, 2, {1, 1, 1, 1, 1, 1, 1, 1}).doubles(6, 2, std::vector<double>(12, 0))
      .doubles(1, 1, {0}).doubles(4, 1, {0, 0, 1, 1}).same(0).doubles(1, 1, {1})
      .doubles(1, 2, {0, 0}).doubles(1, 1, {1}).doubles(1, 3, {1, 1, 1});
  text.push_back(sharedCodes);
  Writer sharedCounter(9, 0);  // N is B itself: refused, B untouched
  sharedCounter.doubles(4, 2, std::vector<double>(8, 0)).doubles(6, 2, std::vector<double>(12, 0))
      .same(0).doubles(4, 1, {0, 0, 1, 1}).doubles(1, 1, {1}).doubles(1, 1, {1})
      .doubles(1, 2, {0, 0}).doubles(1, 1, {1}).doubles(1, 3, {1, 1, 1});
  text.push_back(sharedCounter);
  text.push_back(strokeCall(0, {1, 2, 3}, 5, 1));  // m = korvelStrokeText(...): refused

  auto &labels = all["plateauLabels"];
  labels.push_back(Writer(1, 1).doubles(1, 5, {2, 2, 5, 5, 2}));
  labels.push_back(Writer(1, 1).doubles(3, 3, {1, 1, 1, 0, 0, 1, 1, 1, 1}));
  labels.push_back(Writer(1, 1).doubles(2, 2, {1, 0, 0, 1}));
  labels.push_back(Writer(1, 1).doubles(2, 3, {nan, nan, -0.0, 0.0, inf, -inf}));
  labels.push_back(Writer(1, 1).doubles(0, 3, {}));
  labels.push_back(Writer(1, 1).other(kInt32, 2, 2, 1));

  auto &swap = all["valueSwap"];
  swap.push_back(Writer(3, 1).doubles(1, 3, {1, 2, 3}).doubles(2, 1, {1, 2}).doubles(2, 1, {2, 3}));
  swap.push_back(Writer(3, 1).doubles(1, 2, {5, 6}).doubles(2, 1, {5, 5}).doubles(1, 2, {1, 2}));
  swap.push_back(Writer(3, 1).doubles(1, 2, {1, 2}).doubles(1, 2, {1, 2}).doubles(1, 2, {10, 20}));
  swap.push_back(Writer(3, 1).doubles(1, 3, {0.0, -0.0, nan}).doubles(2, 1, {0.0, nan})
                     .doubles(2, 1, {-0.0, 7}));
  std::vector<double> many(20), targets(20);
  for (int i = 0; i < 20; ++i) many[i] = i % 7, targets[i] = 100 + i;
  swap.push_back(Writer(3, 1).doubles(4, 5, many).doubles(20, 1, many).doubles(1, 20, targets));
  swap.push_back(Writer(3, 1).doubles(1, 2, {1, 2}).doubles(3, 1, {1, 2, 3}).doubles(1, 2, {1, 2}));
  swap.push_back(Writer(3, 1).doubles(1, 2, {1, 2}).doubles(2, 0, {}).doubles(1, 2, {1, 2}));

  for (const char *name : {"korvelDataPtr", "pelvaDataPtr"}) {
    auto &list = all[name];
    list.push_back(Writer(1, 1).doubles(2, 2, {1, 2, 3, 4}).address(0x100000010ull));
    list.push_back(Writer(1, 1).doubles(1, 1, {0}).address(0x180000000ull));
    list.push_back(Writer(1, 1).doubles(1, 1, {0}).address(0x7FFF0000ull));
    list.push_back(Writer(1, 0).other(kChar, 1, 4, 1));
    list.push_back(Writer(1, 1).doubles(0, 0, {}));
    list.push_back(Writer(0, 1));
  }
  return all;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
    return 2;
  }
  const std::string root = argv[1];
  mkdir(root.c_str(), 0755);
  for (const auto &entry : seeds()) {
    const std::string folder = root + "/" + entry.first;
    mkdir(folder.c_str(), 0755);
    for (std::size_t i = 0; i < entry.second.size(); ++i) {
      const std::string path = folder + "/seed-" + std::to_string(i);
      std::FILE *file = std::fopen(path.c_str(), "wb");
      if (file == nullptr) {
        std::perror(path.c_str());
        return 1;
      }
      const auto &bytes = entry.second[i].bytes();
      std::fwrite(bytes.data(), 1, bytes.size(), file);
      std::fclose(file);
    }
  }
  return 0;
}
