// The rich-text engine on novel-sized documents: reading and writing a 10 MB RTF, one typed
// character in the middle of a 5 MB document, and the live word count over 5 MB of text.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <malloc.h>

#include <memory>

#include "editor/mirvStrutils.h"
#include "platform/richedit/RtfReader.h"
#include "platform/richedit/RtfWriter.h"

namespace {

// A novel: paragraphs of a few sentences, words in plain, bold, italic and coloured runs, every
// ninth paragraph a bullet, some paragraphs centred, the odd accented word.
TRichContent MakeNovel(size_t characters) {
  static const char16_t* const kWords[] = {u"the", u"quiet", u"river", u"ran", u"past", u"old", u"mill",
                                           u"and", u"she", u"caf\u00E9", u"watched", u"lanterns", u"glow",
                                           u"under", u"a", u"pale", u"moon", u"while", u"children", u"sang"};
  TRichContent c;
  TCharFormat plain;
  plain.Face = u"Georgia";
  plain.Size = 11;
  TCharFormat bold = plain, italic = plain, red = plain, heading = plain;
  bold.Bold = true;
  italic.Italic = true;
  red.Color = 0x2020C0;
  heading.Size = 16;
  heading.Bold = true;
  const uint32_t formats[] = {c.CharFormats.Intern(plain), c.CharFormats.Intern(bold),
                              c.CharFormats.Intern(italic), c.CharFormats.Intern(red)};
  const uint32_t headingFormat = c.CharFormats.Intern(heading);
  TParaFormat body, bullet, centred;
  bullet.Numbering = pnBullet;
  bullet.LeftIndent = 720;
  bullet.FirstIndent = -360;
  centred.Alignment = paCenter;
  const uint32_t paras[] = {c.ParaFormats.Intern(body), c.ParaFormats.Intern(bullet), c.ParaFormats.Intern(centred)};
  uint32_t seed = 12345;
  auto next = [&](uint32_t n) { seed = seed * 1664525 + 1013904223; return (seed >> 10) % n; };
  auto append = [&](StringView text, uint32_t format) {
    c.Text += text;
    if (!c.Runs.empty() && c.Runs.back().Format == format)
      c.Runs.back().Length += uint32_t(text.size());
    else
      c.Runs.push_back({uint32_t(text.size()), format});
  };
  c.Text.reserve(characters + 1000);
  for (int paragraph = 0; c.Text.size() < characters; ++paragraph) {
    uint32_t para = paras[0];
    if (paragraph % 40 == 0) {
      append(u"Chapter " + IntToStr(paragraph / 40 + 1), headingFormat);
      para = paras[2];
    } else {
      if (paragraph % 9 == 0) para = paras[1];
      const uint32_t words = 30 + next(120);
      for (uint32_t w = 0; w < words; ++w) {
        const uint32_t pick = next(100);
        const uint32_t format = pick < 80 ? formats[0] : formats[1 + pick % 3];
        append(kWords[next(20)], format);
        append(w + 1 == words ? u"." : (next(12) == 0 ? u", " : u" "), formats[0]);
      }
    }
    append(u"\r", formats[0]);
    c.Paras.push_back(para);
  }
  c.Text.pop_back();  // the last paragraph has no break of its own
  if (--c.Runs.back().Length == 0) c.Runs.pop_back();
  return c;
}

const std::string& NovelRtf() {
  static const std::string rtf = [] {
    // Scale the text until its RTF is 10 to 10.5 MB.
    size_t characters = 8'000'000;
    for (;;) {
      TRichDocument doc;
      doc.Load(MakeNovel(characters));
      std::string out = WriteRtf(doc);
      if (out.size() >= 10'000'000 && out.size() <= 10'500'000) return out;
      characters = size_t(double(characters) * 10'250'000.0 / double(out.size()));
    }
  }();
  return rtf;
}

long PeakRssKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// Bytes the allocator has handed out and not yet had back.
size_t HeapInUse() {
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}

void BM_ReadRtf(benchmark::State& state) {
  const std::string& rtf = NovelRtf();
  // The heap one loaded document holds.
  const size_t before = HeapInUse();
  auto kept = std::make_unique<TRichDocument>();
  kept->Load(ReadRtf(rtf));
  const size_t documentBytes = HeapInUse() - before;
  for (auto _ : state) {
    auto doc = std::make_unique<TRichDocument>();
    doc->Load(ReadRtf(rtf));
    benchmark::DoNotOptimize(doc->Length());
  }
  state.counters["document_chars"] = double(kept->Length());
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(rtf.size()));
  state.counters["rtf_MB"] = double(rtf.size()) / 1e6;
  state.counters["document_MB"] = double(documentBytes) / 1e6;
  state.counters["peak_rss_MB"] = double(PeakRssKiB()) / 1024.0;
}
BENCHMARK(BM_ReadRtf)->Unit(benchmark::kMillisecond);

void BM_WriteRtf(benchmark::State& state) {
  TRichDocument doc;
  doc.Load(ReadRtf(NovelRtf()));
  size_t bytes = 0;
  for (auto _ : state) {
    const std::string out = WriteRtf(doc);
    bytes = out.size();
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
}
BENCHMARK(BM_WriteRtf)->Unit(benchmark::kMillisecond);

void BM_InsertChar(benchmark::State& state) {
  TRichDocument doc;
  doc.Load(MakeNovel(5'000'000));
  const int middle = doc.Length() / 2;
  doc.SetSelection(middle, 0);
  for (auto _ : state) doc.ReplaceSelection(u"x");  // typing, with undo, at the caret
  state.counters["document_chars"] = double(doc.Length());
}
BENCHMARK(BM_InsertChar)->Unit(benchmark::kMicrosecond);

void BM_WordCount(benchmark::State& state) {
  TRichDocument doc;
  doc.Load(MakeNovel(5'000'000));
  const String text = doc.GetText();
  int words = 0;
  for (auto _ : state) {
    words = WordCount(text);
    benchmark::DoNotOptimize(words);
  }
  // Counted as one byte per character: the size of the same text in a single-byte file.
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
  state.counters["words"] = words;
}
BENCHMARK(BM_WordCount)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
