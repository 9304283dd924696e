// The stand-in word processor opening and saving a large document: 2,000 paragraphs of mixed
// formatting with tracked changes, 100 inline and 100 floating pictures of 20 KiB each.
//   build/bench/wordproc_bench
#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>

#include "automation/automation.h"
#include "platform/standin.h"
#include "wordproc/formats/document_files.h"
#include "wordproc/formats/rtf_reader.h"
#include "wordproc/formats/rtf_writer.h"
#include "wordproc/model/editing.h"
#include "wordproc/wordproc.h"

namespace {

using namespace verolin;

constexpr int kParagraphs = 2000;
constexpr int kPictures = 200;
constexpr std::size_t kPictureBytes = 20 * 1024;

// A PNG header for a 64x64 picture followed by filler bytes, as a stored picture of that size.
automation::Bytes picture(std::mt19937& rng) {
  automation::Bytes b{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R',
                      0,    0,   0,   64,  0,    0,    0,    64,   8, 6, 0, 0,  0};
  while (b.size() < kPictureBytes) b.push_back(static_cast<std::uint8_t>(rng()));
  return b;
}

wordproc::DocumentModel largeDocument() {
  std::mt19937 rng(7);
  wordproc::DocumentModel doc;
  const std::u32string line = U"这是一个用于测试的段落，其中包含中文和 English text, 以及数字 12345。";
  wordproc::EditContext plain;
  wordproc::EditContext tracked{true, "张三", {2026, 12, 7, 9, 5, 0}};
  int at = 0;
  for (int p = 0; p < kParagraphs; ++p) {
    wordproc::CharFormat f;
    if (p % 3 == 1) f.color = 255;
    if (p % 5 == 2) f.size = 14;
    at = wordproc::insertText(doc, at, line, f, p % 10 == 9 ? tracked : plain);
    if (p % 20 == 0) {
      wordproc::InlinePicture pic;
      pic.picture = *wordproc::readPicture(picture(rng));
      pic.width = pic.height = 48;
      at = wordproc::insertInlinePicture(doc, at, pic, {}, plain);
    }
    at = wordproc::insertText(doc, at, U"\r", f, plain);
  }
  const auto marks = doc.paragraphMarks();
  for (int s = 0; s < kPictures / 2; ++s) {
    wordproc::ShapeData shape;
    shape.number = doc.nextShapeNumber++;
    shape.name = "Picture " + std::to_string(shape.number);
    shape.picture = *wordproc::readPicture(picture(rng));
    shape.width = shape.height = 48;
    shape.transparentBackground = true;
    shape.wrapType = wordproc::wrap::kFront;
    shape.anchor = doc.paragraphStart(marks[static_cast<std::size_t>(s * 20)]);
    doc.shapes.push_back(shape);
  }
  return doc;
}

const wordproc::DocumentModel& sample() {
  static const wordproc::DocumentModel doc = largeDocument();
  return doc;
}

const std::string& sampleRtf() {
  static const std::string rtf = wordproc::writeRtf(sample());
  return rtf;
}

void BM_WriteRtf(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(wordproc::writeRtf(sample()));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * sampleRtf().size()));
  state.counters["rtf_MiB"] = static_cast<double>(sampleRtf().size()) / (1 << 20);
}
BENCHMARK(BM_WriteRtf)->Unit(benchmark::kMillisecond);

void BM_ReadRtf(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(wordproc::readRtf(sampleRtf()));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * sampleRtf().size()));
}
BENCHMARK(BM_ReadRtf)->Unit(benchmark::kMillisecond);

// Documents.Open, then SaveAs to another file and Close, through the automation surface and the
// stand-in file layer, as the control does it.
void BM_OpenAndSaveThroughApplication(benchmark::State& state) {
  const auto root = std::filesystem::temp_directory_path() / "verolin-wordproc-bench";
  std::filesystem::remove_all(root);
  {
    platform::StandInPlatform standIn(root);
    wordproc::registerWordApplication(standIn.platform());
    standIn.files.createDir("c:\\temp");
    const auto& rtf = sampleRtf();
    standIn.files.write("c:\\temp\\big.doc", automation::Bytes(rtf.begin(), rtf.end()));
    automation::Variant app(standIn.objects.create("Word.Application"));
    for (auto _ : state) {
      automation::Variant doc = app.get("Documents").call("Open", "c:\\temp\\big.doc");
      doc.call("SaveAs", "c:\\temp\\copy.doc", 0);
      doc.call("Close", false);
    }
    app.call("Quit", false);
  }
  std::filesystem::remove_all(root);
}
BENCHMARK(BM_OpenAndSaveThroughApplication)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
