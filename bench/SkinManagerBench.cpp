// Reading a skin into the skin manager: the generator's demo skin from its
// folder and from its package (the whole change: text, masks, patterns,
// options, indexes), against QImage reading the same skin's image files
// from the folder in the same run. Goal: a load under 50 ms.
#include "skinlib/manager/sSkinManager.h"
#include "skinlib/support/TestSkins.h"
#include "support/TempDir.h"

#include <QDir>
#include <QImage>

#include <benchmark/benchmark.h>

namespace {

// The demo skin as the folder "Demo" and the package "Packed.asz".
struct SkinFolder {
  testsupport::TempDir dir;
  QString root = QString::fromStdString(dir.Path());
  SkinFolder() {
    const testskins::TestSkin skin = testskins::DemoSkin();
    if (!testskins::WriteSkinFolder(skin, root + QStringLiteral("/Demo")))
      throw std::runtime_error("cannot write the demo skin");
    dir.Write("Packed.asz", testskins::PackageBytes(skin));
  }
};

SkinFolder& Folder() {
  static SkinFolder folder;
  return folder;
}

void Load(benchmark::State& state, const char* name) {
  TsSkinManager manager;
  manager.SetSkinDirectory(Folder().root);
  for (auto _ : state) {
    manager.SetSkinName(QString::fromLatin1(name));
    benchmark::DoNotOptimize(manager.MaskData.data());
  }
  if (!manager.SkinData->Active) state.SkipWithError("the skin was not read");
  state.counters["masks"] = double(manager.MaskData.size());
}

void BM_SkinFromFolder(benchmark::State& state) { Load(state, "Demo"); }
void BM_SkinFromPackage(benchmark::State& state) { Load(state, "Packed"); }

// Every image file of the folder through QImage.
void BM_QImageReadsTheSkinsImages(benchmark::State& state) {
  const QDir dir(Folder().root + QStringLiteral("/Demo"));
  const QStringList files = dir.entryList({"*.bmp", "*.BMP", "*.png", "*.PNG", "*.jpg", "*.JPG"}, QDir::Files);
  for (auto _ : state)
    for (const QString& file : files) {
      QImage image(dir.filePath(file));
      benchmark::DoNotOptimize(image.constBits());
    }
  state.counters["files"] = double(files.size());
}

// A stored skin of N sections whose PARENTCLASS chain runs in one circle:
// every section's masks are looked up through 16 parents. Goal: the time
// grows with N, not with N squared.
void BM_ParentClassCircle(benchmark::State& state) {
  const int count = int(state.range(0));
  testskins::TestSkin skin;
  for (int i = 0; i < count; ++i)
    skin.Section(QStringLiteral("S%1").arg(i)).Set(QStringLiteral("PARENTCLASS"), QStringLiteral("S%1").arg((i + 1) % count));
  TsSkinManager manager;
  manager.SetActive(false);
  TsStoredSkin& stored = manager.InternalSkins().Add();
  stored.Name = QStringLiteral("Circle");
  stored.Data = testskins::StoredSkinData(skin);
  manager.SetSkinName(QStringLiteral("Circle"));
  for (auto _ : state) {
    manager.SetActive(true);
    benchmark::DoNotOptimize(manager.GeneralData.data());
    manager.SetActive(false);
  }
  state.counters["sections"] = count;
}

}  // namespace

BENCHMARK(BM_SkinFromFolder)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParentClassCircle)->Arg(4000)->Arg(8000)->Arg(16000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SkinFromPackage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QImageReadsTheSkinsImages)->Unit(benchmark::kMillisecond);
