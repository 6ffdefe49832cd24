// Two generator opens that overlap, on two threads, in a fresh copy of the
// library: neither may return before the tables are complete.
#include "dynamic_library.h"
#include "plugin_path.h"
#include "reference_tables.h"
#include "se_abi.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#if defined(_WIN32)
#include <windows.h>
#else
#include <thread>
#endif

namespace {

// Answers what an open needs: one pin; every other request 0. Safe on any thread.
intptr_t SE_CDECL OnePinHost(void *, int32_t opcode, int32_t, int32_t, void *, float) {
  return opcode == HRQ_PIN_COUNT ? 1 : 0;
}

#if defined(_WIN32)
DWORD WINAPI RunFunction(LPVOID f) {
  (*static_cast<std::function<void()> *>(f))();
  return 0;
}
#endif

// Runs two functions on two threads and waits for both. (The Windows build's
// runtime has no std::thread.)
void RunOnTwoThreads(std::function<void()> &a, std::function<void()> &b) {
#if defined(_WIN32)
  HANDLE ta = CreateThread(nullptr, 0, &RunFunction, &a, 0, nullptr);
  HANDLE tb = CreateThread(nullptr, 0, &RunFunction, &b, 0, nullptr);
  WaitForSingleObject(ta, INFINITE);
  WaitForSingleObject(tb, INFINITE);
  CloseHandle(ta);
  CloseHandle(tb);
#else
  std::thread ta(std::ref(a)), tb(std::ref(b));
  ta.join();
  tb.join();
#endif
}

bool StoreComplete(float *const *dir, const wtref::Tables &ref) {
  if (dir == nullptr || dir[0] == nullptr)
    return false;
  if (std::memcmp(dir[0], ref.sine.data(), wtref::kStride * sizeof(float)) != 0)
    return false;
  for (int n = 1; n <= wtref::kBlocks; ++n)
    if (std::memcmp(dir[n], ref.blocks[n - 1].data(), wtref::kBlockFloats * sizeof(float)) != 0)
      return false;
  return true;
}

TEST(GeneratorConcurrency, OverlappingFirstOpensBothReturnCompleteTables) {
  const wtref::Tables ref = wtref::Build();
  namespace fs = std::filesystem;
  const fs::path original = setest::PluginPath("wavetable_generator");

  // Each round loads its own copy of the file, so its store starts unbuilt.
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE(testing::Message() << "round " << round);
    const fs::path copy =
        fs::temp_directory_path() /
        ("wavetable_generator_overlap_" + std::to_string(round) + "_" +
         std::to_string(reinterpret_cast<uintptr_t>(&ref)) + original.extension().string());
    fs::copy_file(original, copy, fs::copy_options::overwrite_existing);
    {
      std::string error;
      auto library = sehost::DynamicLibrary::Open(copy.string(), error);
      ASSERT_NE(library, nullptr) << error;
      auto make = reinterpret_cast<SEMakeModuleFn>(library->Symbol("makeModule"));
      ASSERT_NE(make, nullptr);

      SEModuleRecord *records[2];
      intptr_t *links[2];
      for (int i = 0; i < 2; ++i) {
        records[i] = static_cast<SEModuleRecord *>(make(0, MT_DSP, &OnePinHost, 0));
        ASSERT_NE(records[i], nullptr);
        SEPinProperties pin{};
        records[i]->dispatcher(records[i], DOP_PIN_PROPERTIES, 0, 0, &pin, 0.0f);
        links[i] = static_cast<intptr_t *>(pin.variable);
        ASSERT_NE(links[i], nullptr);
      }

      std::atomic<int> ready{0};
      bool complete[2] = {false, false};
      auto open = [&](int i) {
        ready.fetch_add(1);
        while (ready.load() < 2) {
        }
        records[i]->dispatcher(records[i], DOP_OPEN, 0, 0, nullptr, 0.0f);
        // What a reader would find the moment this open has returned.
        complete[i] = StoreComplete(reinterpret_cast<float *const *>(*links[i]), ref);
      };
      std::function<void()> a = [&] { open(0); }, b = [&] { open(1); };
      RunOnTwoThreads(a, b);

      EXPECT_TRUE(complete[0]);
      EXPECT_TRUE(complete[1]);
      EXPECT_EQ(*links[0], *links[1]);
      for (SEModuleRecord *r : records)
        r->dispatcher(r, DOP_CLOSE, 0, 0, nullptr, 0.0f);
    }
    std::error_code ignored;
    fs::remove(copy, ignored);
  }
}

} // namespace
