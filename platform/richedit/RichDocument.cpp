#include "platform/richedit/RichDocument.h"

#include <algorithm>
#include <bit>

#include "platform/base/Errors.h"

struct TRichDocument::TChunk {
  String Text;
  std::vector<TRun> Runs;
  std::vector<uint32_t> Paras;  // paragraph format of each CR in Text
};

// A stretch of the document with its formats. Format-only fragments leave Text empty.
struct TRichDocument::TFragment {
  String Text;
  int Length = 0;
  std::vector<TRun> Runs;
  std::vector<uint32_t> Paras;
};

// The range at Position held Before and now holds After.
struct TRichDocument::TAction {
  int Position = 0;
  bool FormatOnly = false;
  TFragment Before;
  TFragment After;
};

struct TRichDocument::TStep {
  std::vector<TAction> Actions;
  int SelStartBefore = 0, SelLengthBefore = 0;
  int SelStartAfter = 0, SelLengthAfter = 0;
  bool Typing = false;
  char16_t LastTyped = 0;
};

namespace {

constexpr char16_t kBreak = u'\r';

int CountBreaks(StringView s) { return int(std::count(s.begin(), s.end(), kBreak)); }

void AppendRun(std::vector<TRun>& runs, uint32_t length, uint32_t format) {
  if (length == 0) return;
  if (!runs.empty() && runs.back().Format == format)
    runs.back().Length += length;
  else
    runs.push_back({length, format});
}

void AppendRuns(std::vector<TRun>& runs, const std::vector<TRun>& more) {
  for (const TRun& r : more) AppendRun(runs, r.Length, r.Format);
}

// Appends the runs covering [offset, offset + length) of runs.
void CopyRuns(const std::vector<TRun>& runs, uint32_t offset, uint32_t length,
              std::vector<TRun>& out) {
  uint32_t at = 0;
  for (const TRun& r : runs) {
    if (length == 0) break;
    const uint32_t end = at + r.Length;
    if (end > offset) {
      const uint32_t from = std::max(at, offset);
      const uint32_t take = std::min(end - from, length);
      AppendRun(out, take, r.Format);
      length -= take;
      offset = from + take;
    }
    at = end;
  }
}

// Walks a run list front to back, handing out consecutive slices.
class TRunCursor {
 public:
  explicit TRunCursor(const std::vector<TRun>& runs) : FRuns(runs) {}
  void Take(uint32_t length, std::vector<TRun>& out) {
    while (length > 0 && FIndex < FRuns.size()) {
      const uint32_t take = std::min(length, FRuns[FIndex].Length - FUsed);
      AppendRun(out, take, FRuns[FIndex].Format);
      length -= take;
      FUsed += take;
      if (FUsed == FRuns[FIndex].Length) {
        ++FIndex;
        FUsed = 0;
      }
    }
  }

 private:
  const std::vector<TRun>& FRuns;
  size_t FIndex = 0;
  uint32_t FUsed = 0;
};

// runs with [offset, offset + erase) replaced by inserted.
std::vector<TRun> SpliceRuns(const std::vector<TRun>& runs, uint32_t total, uint32_t offset,
                             uint32_t erase, const std::vector<TRun>& inserted) {
  std::vector<TRun> out;
  out.reserve(runs.size() + inserted.size() + 1);
  CopyRuns(runs, 0, offset, out);
  AppendRuns(out, inserted);
  CopyRuns(runs, offset + erase, total - offset - erase, out);
  return out;
}

char16_t FoldCase(char16_t c) {
  if (c < 0x80) return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return char16_t(c + 32);
  if (c >= 0x100 && c <= 0x17F) {
    if (c == 0x130 || c == 0x131) return u'i';
    if (c == 0x178) return 0xFF;
    const bool oddUpper = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    if (c == 0x138 || c == 0x149 || c == 0x17F) return c;
    if (oddUpper) return (c & 1) ? char16_t(c + 1) : c;
    return char16_t(c | 1);
  }
  if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return char16_t(c + 32);
  if (c >= 0x410 && c <= 0x42F) return char16_t(c + 32);
  if (c >= 0x400 && c <= 0x40F) return char16_t(c + 80);
  return c;
}

bool IsSearchWordChar(char16_t c) {
  if (c < 0x80)
    return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') ||
           c == u'_' || c == u'\'';
  if (c < 0xC0 || c == 0xD7 || c == 0xF7) return false;
  return !(c >= 0x2000 && c <= 0x206F) && c != 0x3000 && c != 0xFEFF;
}

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == kBreak; }

// Chunks built from a whole text fill three quarters of a chunk, leaving room for typing.
constexpr int kFillChars = TRichDocument::kChunkChars / 4 * 3;

int64_t FenwickPrefix(const std::vector<int64_t>& tree, size_t count) {
  int64_t sum = 0;
  for (size_t i = count; i > 0; i -= i & (~i + 1)) sum += tree[i];
  return sum;
}

void FenwickAdd(std::vector<int64_t>& tree, size_t index, int64_t delta) {
  for (size_t i = index + 1; i < tree.size(); i += i & (~i + 1)) tree[i] += delta;
}

// The number of leading entries whose sum stays below (strict) or at most (not strict) value.
size_t FenwickCount(const std::vector<int64_t>& tree, int64_t value, bool strict) {
  const size_t n = tree.size() - 1;
  size_t index = 0;
  for (size_t step = n ? std::bit_floor(n) : 0; step > 0; step >>= 1) {
    const size_t next = index + step;
    if (next <= n && (strict ? tree[next] < value : tree[next] <= value)) {
      index = next;
      value -= tree[next];
    }
  }
  return index;
}

}  // namespace

TRichDocument::TRichDocument() { Clear(); FModified = false; }

TRichDocument::~TRichDocument() = default;

// ---- Storage -------------------------------------------------------------------------------

int TRichDocument::InternalLength() const {
  return int(FenwickPrefix(FLengthTree, FChunks.size()));
}

int TRichDocument::Length() const { return InternalLength() - 1; }

int TRichDocument::ChunkStart(size_t chunk) const { return int(FenwickPrefix(FLengthTree, chunk)); }

TRichDocument::TLocation TRichDocument::Locate(int position) const {
  const size_t chunk = FenwickCount(FLengthTree, position, false);
  return {chunk, position - ChunkStart(chunk)};
}

void TRichDocument::RebuildIndex() {
  const size_t n = FChunks.size();
  FLengthTree.assign(n + 1, 0);
  FBreakTree.assign(n + 1, 0);
  for (size_t i = 1; i <= n; ++i) {
    FLengthTree[i] += int64_t(FChunks[i - 1].Text.size());
    FBreakTree[i] += int64_t(FChunks[i - 1].Paras.size());
    const size_t parent = i + (i & (~i + 1));
    if (parent <= n) {
      FLengthTree[parent] += FLengthTree[i];
      FBreakTree[parent] += FBreakTree[i];
    }
  }
}

void TRichDocument::IndexAdd(size_t chunk, int length, int breaks) {
  if (length) FenwickAdd(FLengthTree, chunk, length);
  if (breaks) FenwickAdd(FBreakTree, chunk, breaks);
}

TRichDocument::TFragment TRichDocument::Extract(int position, int length, bool withText) const {
  TFragment out;
  out.Length = length;
  if (length <= 0) {
    out.Length = 0;
    return out;
  }
  if (withText) out.Text.reserve(size_t(length));
  TLocation loc = Locate(position);
  while (length > 0) {
    const TChunk& c = FChunks[loc.Chunk];
    const int take = std::min(length, int(c.Text.size()) - loc.Offset);
    const StringView piece = StringView(c.Text).substr(size_t(loc.Offset), size_t(take));
    if (withText) out.Text += piece;
    CopyRuns(c.Runs, uint32_t(loc.Offset), uint32_t(take), out.Runs);
    const int before = CountBreaks(StringView(c.Text).substr(0, size_t(loc.Offset)));
    const int inside = CountBreaks(piece);
    out.Paras.insert(out.Paras.end(), c.Paras.begin() + before, c.Paras.begin() + before + inside);
    length -= take;
    loc = {loc.Chunk + 1, 0};
  }
  return out;
}

void TRichDocument::EraseRaw(int position, int length) {
  if (length <= 0) return;
  TLocation loc = Locate(position);
  TChunk& first = FChunks[loc.Chunk];
  if (loc.Offset + length < int(first.Text.size())) {
    const StringView all(first.Text);
    const int before = CountBreaks(all.substr(0, size_t(loc.Offset)));
    const int inside = CountBreaks(all.substr(size_t(loc.Offset), size_t(length)));
    first.Runs = SpliceRuns(first.Runs, uint32_t(first.Text.size()), uint32_t(loc.Offset),
                            uint32_t(length), {});
    first.Text.erase(size_t(loc.Offset), size_t(length));
    first.Paras.erase(first.Paras.begin() + before, first.Paras.begin() + before + inside);
    IndexAdd(loc.Chunk, -length, -inside);
    // A chunk that shrank to a sliver joins a neighbour, so chunks stay few.
    const size_t next = loc.Chunk + 1;
    if (first.Text.size() < kChunkChars / 4 && next < FChunks.size() &&
        first.Text.size() + FChunks[next].Text.size() <= kChunkChars) {
      TChunk& b = FChunks[next];
      first.Text += b.Text;
      AppendRuns(first.Runs, b.Runs);
      first.Paras.insert(first.Paras.end(), b.Paras.begin(), b.Paras.end());
      FChunks.erase(FChunks.begin() + std::ptrdiff_t(next));
      RebuildIndex();
    }
    return;
  }
  // The range reaches past the first chunk (or to its end): trim the ends, drop what lies between.
  size_t index = loc.Chunk;
  int offset = loc.Offset;
  while (length > 0) {
    TChunk& c = FChunks[index];
    const int take = std::min(length, int(c.Text.size()) - offset);
    const StringView all(c.Text);
    const int before = CountBreaks(all.substr(0, size_t(offset)));
    const int inside = CountBreaks(all.substr(size_t(offset), size_t(take)));
    c.Runs = SpliceRuns(c.Runs, uint32_t(c.Text.size()), uint32_t(offset), uint32_t(take), {});
    c.Text.erase(size_t(offset), size_t(take));
    c.Paras.erase(c.Paras.begin() + before, c.Paras.begin() + before + inside);
    length -= take;
    ++index;
    offset = 0;
  }
  const size_t last = index - 1;
  if (loc.Chunk != last && FChunks[loc.Chunk].Text.size() + FChunks[last].Text.size() <= kChunkChars) {
    TChunk& a = FChunks[loc.Chunk];
    TChunk& b = FChunks[last];
    a.Text += b.Text;
    AppendRuns(a.Runs, b.Runs);
    a.Paras.insert(a.Paras.end(), b.Paras.begin(), b.Paras.end());
    b = TChunk();
  }
  std::erase_if(FChunks, [](const TChunk& c) { return c.Text.empty(); });
  RebuildIndex();
}

void TRichDocument::InsertRaw(int position, const TFragment& fragment) {
  if (fragment.Length <= 0) return;
  const TLocation loc = Locate(position);
  TChunk& target = FChunks[loc.Chunk];
  const int before = CountBreaks(StringView(target.Text).substr(0, size_t(loc.Offset)));
  if (int(target.Text.size()) + fragment.Length <= kChunkChars) {
    target.Runs = SpliceRuns(target.Runs, uint32_t(target.Text.size()), uint32_t(loc.Offset), 0,
                             fragment.Runs);
    target.Text.insert(size_t(loc.Offset), fragment.Text);
    target.Paras.insert(target.Paras.begin() + before, fragment.Paras.begin(), fragment.Paras.end());
    IndexAdd(loc.Chunk, fragment.Length, int(fragment.Paras.size()));
    return;
  }
  // Split the target at the insertion point and lay the fragment out in new chunks between.
  TChunk tail;
  tail.Text = target.Text.substr(size_t(loc.Offset));
  CopyRuns(target.Runs, uint32_t(loc.Offset), uint32_t(tail.Text.size()), tail.Runs);
  tail.Paras.assign(target.Paras.begin() + before, target.Paras.end());
  target.Runs = SpliceRuns(target.Runs, uint32_t(target.Text.size()), uint32_t(loc.Offset),
                           uint32_t(tail.Text.size()), {});
  target.Text.resize(size_t(loc.Offset));
  target.Paras.resize(size_t(before));

  std::vector<TChunk> middle;
  TRunCursor runs(fragment.Runs);
  size_t paraAt = 0;
  for (int at = 0; at < fragment.Length;) {
    const int take = std::min(kFillChars, fragment.Length - at);
    TChunk c;
    c.Text = fragment.Text.substr(size_t(at), size_t(take));
    runs.Take(uint32_t(take), c.Runs);
    const size_t breaks = size_t(CountBreaks(c.Text));
    c.Paras.assign(fragment.Paras.begin() + std::ptrdiff_t(paraAt),
                   fragment.Paras.begin() + std::ptrdiff_t(paraAt + breaks));
    paraAt += breaks;
    middle.push_back(std::move(c));
    at += take;
  }
  middle.push_back(std::move(tail));
  FChunks.insert(FChunks.begin() + std::ptrdiff_t(loc.Chunk + 1),
                 std::make_move_iterator(middle.begin()), std::make_move_iterator(middle.end()));
  std::erase_if(FChunks, [](const TChunk& c) { return c.Text.empty(); });
  RebuildIndex();
}

void TRichDocument::RestyleRaw(int position, const TFragment& formats) {
  int length = formats.Length;
  if (length <= 0) return;
  TLocation loc = Locate(position);
  TRunCursor runs(formats.Runs);
  size_t paraAt = 0;
  while (length > 0) {
    TChunk& c = FChunks[loc.Chunk];
    const int take = std::min(length, int(c.Text.size()) - loc.Offset);
    std::vector<TRun> slice;
    runs.Take(uint32_t(take), slice);
    c.Runs = SpliceRuns(c.Runs, uint32_t(c.Text.size()), uint32_t(loc.Offset), uint32_t(take), slice);
    const StringView all(c.Text);
    const int before = CountBreaks(all.substr(0, size_t(loc.Offset)));
    const int inside = CountBreaks(all.substr(size_t(loc.Offset), size_t(take)));
    std::copy_n(formats.Paras.begin() + std::ptrdiff_t(paraAt), inside, c.Paras.begin() + before);
    paraAt += size_t(inside);
    length -= take;
    loc = {loc.Chunk + 1, 0};
  }
}

void TRichDocument::ResetStorage(TRichContent content) {
  FCharFormats = std::move(content.CharFormats);
  FParaFormats = std::move(content.ParaFormats);
  const uint32_t markFormat =
      content.Runs.empty() ? FCharFormats.Intern(FDefaultFormat) : content.Runs.back().Format;
  if (content.Paras.empty()) content.Paras.push_back(FParaFormats.Intern(TParaFormat()));
  content.Text += kBreak;
  AppendRun(content.Runs, 1, markFormat);

  FChunks.clear();
  TRunCursor runs(content.Runs);
  size_t paraAt = 0;
  const int total = int(content.Text.size());
  for (int at = 0; at < total;) {
    const int take = std::min(kFillChars, total - at);
    TChunk c;
    c.Text = content.Text.substr(size_t(at), size_t(take));
    runs.Take(uint32_t(take), c.Runs);
    const size_t breaks = size_t(CountBreaks(c.Text));
    c.Paras.assign(content.Paras.begin() + std::ptrdiff_t(paraAt),
                   content.Paras.begin() + std::ptrdiff_t(paraAt + breaks));
    paraAt += breaks;
    FChunks.push_back(std::move(c));
    at += take;
  }
  RebuildIndex();
}

// ---- Reading -------------------------------------------------------------------------------

String TRichDocument::GetTextRange(int start, int length) const {
  const int n = Length();
  start = std::clamp(start, 0, n);
  length = std::clamp(length, 0, n - start);
  String out;
  out.reserve(size_t(length));
  if (length == 0) return out;
  TLocation loc = Locate(start);
  while (length > 0) {
    const TChunk& c = FChunks[loc.Chunk];
    const int take = std::min(length, int(c.Text.size()) - loc.Offset);
    out.append(c.Text, size_t(loc.Offset), size_t(take));
    length -= take;
    loc = {loc.Chunk + 1, 0};
  }
  return out;
}

String TRichDocument::GetText() const {
  const int n = Length();
  String out;
  out.reserve(size_t(n) + size_t(FenwickPrefix(FBreakTree, FChunks.size())));
  int left = n;
  for (const TChunk& c : FChunks) {
    const int take = std::min(left, int(c.Text.size()));
    for (int i = 0; i < take; ++i) {
      out += c.Text[size_t(i)];
      if (c.Text[size_t(i)] == kBreak) out += u'\n';
    }
    left -= take;
  }
  return out;
}

String TRichDocument::GetSelText() const { return GetTextRange(FSelStart, FSelLength); }

char16_t TRichDocument::CharAt(int position) const {
  if (position < 0 || position >= Length()) return 0;
  const TLocation loc = Locate(position);
  return FChunks[loc.Chunk].Text[size_t(loc.Offset)];
}

int TRichDocument::ParagraphCount() const { return int(FenwickPrefix(FBreakTree, FChunks.size())); }

int TRichDocument::ParagraphOfPosition(int position) const {
  position = std::clamp(position, 0, Length());
  const TLocation loc = Locate(position);
  return int(FenwickPrefix(FBreakTree, loc.Chunk)) +
         CountBreaks(StringView(FChunks[loc.Chunk].Text).substr(0, size_t(loc.Offset)));
}

int TRichDocument::ParagraphEnd(int paragraph) const {
  paragraph = std::clamp(paragraph, 0, ParagraphCount() - 1);
  // The paragraph's break is CR number paragraph + 1 (the hidden mark ends the last paragraph).
  const size_t chunk = FenwickCount(FBreakTree, paragraph + 1, true);
  int rank = paragraph + 1 - int(FenwickPrefix(FBreakTree, chunk));
  const String& text = FChunks[chunk].Text;
  size_t i = 0;
  for (;; ++i)
    if (text[i] == kBreak && --rank == 0) break;
  return ChunkStart(chunk) + int(i);
}

int TRichDocument::ParagraphStart(int paragraph) const {
  if (paragraph <= 0) return 0;
  return ParagraphEnd(paragraph - 1) + 1;
}

uint32_t TRichDocument::ParaIdOfParagraph(int paragraph) const {
  paragraph = std::clamp(paragraph, 0, ParagraphCount() - 1);
  const size_t chunk = FenwickCount(FBreakTree, paragraph + 1, true);
  const int rank = paragraph - int(FenwickPrefix(FBreakTree, chunk));
  return FChunks[chunk].Paras[size_t(rank)];
}

const TParaFormat& TRichDocument::ParagraphFormat(int paragraph) const {
  return FParaFormats[ParaIdOfParagraph(paragraph)];
}

const TCharFormat& TRichDocument::CharFormatAt(int position) const {
  const TLocation loc = Locate(std::clamp(position, 0, Length()));
  uint32_t at = 0;
  for (const TRun& r : FChunks[loc.Chunk].Runs) {
    at += r.Length;
    if (at > uint32_t(loc.Offset)) return FCharFormats[r.Format];
  }
  return FDefaultFormat;  // not reached: runs cover their chunk
}

void TRichDocument::VisitPieces(int start, int length,
                                const std::function<void(const TPieceView&)>& visit) const {
  const int n = Length();
  start = std::clamp(start, 0, n);
  length = std::clamp(length, 0, n - start);
  if (length == 0) return;
  TLocation loc = Locate(start);
  int position = start;
  while (length > 0) {
    const TChunk& c = FChunks[loc.Chunk];
    const int chunkEnd = std::min(int(c.Text.size()), loc.Offset + length);
    int at = 0;
    size_t para = size_t(CountBreaks(StringView(c.Text).substr(0, size_t(loc.Offset))));
    for (const TRun& r : c.Runs) {
      const int runEnd = at + int(r.Length);
      const int from = std::max(at, loc.Offset);
      const int to = std::min(runEnd, chunkEnd);
      if (from < to) {
        const StringView text = StringView(c.Text).substr(size_t(from), size_t(to - from));
        const size_t breaks = size_t(CountBreaks(text));
        visit(TPieceView{position, text, FCharFormats[r.Format],
                         std::span<const uint32_t>(c.Paras.data() + para, breaks)});
        para += breaks;
        position += to - from;
      }
      at = runEnd;
      if (at >= chunkEnd) break;
    }
    length -= chunkEnd - loc.Offset;
    loc = {loc.Chunk + 1, 0};
  }
}

// ---- Selection -----------------------------------------------------------------------------

void TRichDocument::SetSelectionRaw(int start, int length) {
  const int n = Length();
  int a = std::clamp(start, 0, n);
  int b = int(std::clamp<int64_t>(int64_t(start) + length, 0, n));
  if (a > b) std::swap(a, b);
  if (a == FSelStart && b - a == FSelLength) return;
  FSelStart = a;
  FSelLength = b - a;
  UpdateInsertionFormat();
  SelectionChanged();
}

void TRichDocument::SetSelection(int start, int length) {
  const int oldStart = FSelStart, oldLength = FSelLength;
  SetSelectionRaw(start, length);
  if (oldStart != FSelStart || oldLength != FSelLength) BreakUndoTyping();
}

void TRichDocument::UpdateInsertionFormat() {
  int at = FSelStart;
  if (FSelLength == 0 && at > 0 && CharAt(at - 1) != kBreak) --at;
  FInsertFormat = FCharFormats.Intern(CharFormatAt(at));
}

const TCharFormat& TRichDocument::InsertionFormat() const { return FCharFormats[FInsertFormat]; }

TCharFormat TRichDocument::GetSelectionCharFormat(uint32_t* mixed) const {
  if (mixed) *mixed = 0;
  if (FSelLength == 0) return InsertionFormat();
  TCharFormat result;
  bool first = true;
  bool bold = true, italic = true, underline = true, strike = true;
  uint32_t differs = 0;
  VisitPieces(FSelStart, FSelLength, [&](const TPieceView& p) {
    if (first) {
      result = p.Format;
      first = false;
    } else {
      differs |= CharFormatDifference(result, p.Format);
    }
    bold &= p.Format.Bold;
    italic &= p.Format.Italic;
    underline &= p.Format.Underline;
    strike &= p.Format.StrikeOut;
  });
  result.Bold = bold;
  result.Italic = italic;
  result.Underline = underline;
  result.StrikeOut = strike;
  if (differs & cfmFace) result.Face.clear();
  if (mixed) *mixed = differs;
  return result;
}

TParaFormat TRichDocument::GetSelectionParaFormat(uint32_t* mixed) const {
  const int first = ParagraphOfPosition(FSelStart);
  const TParaFormat result = ParagraphFormat(first);
  if (mixed) {
    *mixed = 0;
    const int last = FSelLength > 0 ? ParagraphOfPosition(FSelStart + FSelLength - 1) : first;
    for (int k = first + 1; k <= last; ++k) *mixed |= ParaFormatDifference(result, ParagraphFormat(k));
  }
  return result;
}

// ---- Editing -------------------------------------------------------------------------------

void TRichDocument::ApplyAction(const TAction& action, bool reverse) {
  const TFragment& from = reverse ? action.After : action.Before;
  const TFragment& to = reverse ? action.Before : action.After;
  if (action.FormatOnly) {
    RestyleRaw(action.Position, to);
  } else {
    EraseRaw(action.Position, from.Length);
    InsertRaw(action.Position, to);
  }
  Changed({action.Position, from.Length, to.Length, action.FormatOnly});
}

void TRichDocument::Changed(const TEditInfo& info) {
  FModified = true;
  if (OnEdit) OnEdit(info);
}

void TRichDocument::ContentChanged() {
  if (FUpdateDepth == 0 && OnChange) OnChange();
}

void TRichDocument::SelectionChanged() {
  if (FUpdateDepth > 0)
    FSelectionMovedInUpdate = true;
  else if (OnSelectionChange)
    OnSelectionChange();
}

void TRichDocument::ReplaceSelection(StringView text, bool canUndo) {
  String clean;
  clean.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') continue;
    clean += text[i] == u'\n' ? kBreak : text[i];
  }
  const int room = FTextLimit - (Length() - FSelLength);
  if (int64_t(clean.size()) > room) clean.resize(size_t(std::max(room, 0)));
  if (clean.empty() && FSelLength == 0) return;

  const uint32_t format = FSelLength > 0 ? FCharFormats.Intern(CharFormatAt(FSelStart)) : FInsertFormat;
  TFragment after;
  if (!clean.empty()) {
    // New breaks split the paragraph they land in and carry on its format.
    const uint32_t para = ParaIdOfParagraph(ParagraphOfPosition(FSelStart + FSelLength));
    after.Length = int(clean.size());
    AppendRun(after.Runs, uint32_t(clean.size()), format);
    after.Paras.assign(size_t(CountBreaks(clean)), para);
    after.Text = std::move(clean);
  }
  const bool typing = FSelLength == 0 && after.Length == 1;
  ReplaceSelectionWith(std::move(after), canUndo, typing, format);
}

void TRichDocument::ReplaceSelectionRich(const TRichContent& content, bool canUndo) {
  CheckContent(content);
  const int room = std::max(FTextLimit - (Length() - FSelLength), 0);
  const size_t length = std::min(content.Text.size(), size_t(room));
  if (length == 0 && FSelLength == 0) return;
  std::vector<uint32_t> charMap(content.CharFormats.Count());
  for (size_t i = 0; i < charMap.size(); ++i) {
    TCharFormat f;
    ApplyCharFormat(f, content.CharFormats[uint32_t(i)], cfmAll);
    charMap[i] = FCharFormats.Intern(f);
  }
  TFragment after;
  after.Text = content.Text.substr(0, length);
  after.Length = int(length);
  std::vector<TRun> runs;
  TRunCursor(content.Runs).Take(uint32_t(length), runs);
  for (const TRun& r : runs) AppendRun(after.Runs, r.Length, charMap[r.Format]);
  // The content's breaks bring their paragraph formats; its last paragraph joins the one the
  // selection ends in.
  const size_t breaks = size_t(CountBreaks(after.Text));
  for (size_t k = 0; k < breaks; ++k) {
    TParaFormat p;
    ApplyParaFormat(p, content.ParaFormats[content.Paras[k]], pfmAll);
    after.Paras.push_back(FParaFormats.Intern(p));
  }
  const uint32_t format = after.Runs.empty() ? FInsertFormat : after.Runs.back().Format;
  ReplaceSelectionWith(std::move(after), canUndo, false, format);
}

void TRichDocument::ReplaceSelectionWith(TFragment after, bool canUndo, bool typing, uint32_t insertFormat) {
  const int start = FSelStart;
  TAction action;
  action.Position = start;
  action.Before = Extract(start, FSelLength, true);
  action.After = std::move(after);
  const int inserted = action.After.Length;
  ApplyAction(action, false);
  if (canUndo) {
    Record(std::move(action), typing);
    if (FGroupDepth == 0) {
      FUndo.back().SelStartAfter = start + inserted;
      FUndo.back().SelLengthAfter = 0;
    }
  } else {
    EmptyUndoHistory();
  }
  FSelStart = start + inserted;
  FSelLength = 0;
  FInsertFormat = insertFormat;
  ContentChanged();
  SelectionChanged();
}

void TRichDocument::Record(TAction action, bool typing) {
  FRedo.clear();
  if (FGroupDepth > 0) {
    if (!FGroupOpen) {
      FUndo.emplace_back();
      FUndo.back().SelStartBefore = FSelStart;
      FUndo.back().SelLengthBefore = FSelLength;
      FGroupOpen = true;
    }
    FUndo.back().Actions.push_back(std::move(action));
    FTypingOpen = false;
    return;
  }
  if (typing && FTypingOpen && !FUndo.empty() && FUndo.back().Typing) {
    TStep& step = FUndo.back();
    TAction& last = step.Actions.back();
    const char16_t c = action.After.Text[0];
    const bool newWord = !IsBlank(c) && IsBlank(step.LastTyped);
    if (!newWord && action.Position == last.Position + last.After.Length) {
      last.After.Text += c;
      last.After.Length += 1;
      AppendRuns(last.After.Runs, action.After.Runs);
      last.After.Paras.insert(last.After.Paras.end(), action.After.Paras.begin(),
                              action.After.Paras.end());
      step.LastTyped = c;
      return;
    }
  }
  FUndo.emplace_back();
  FUndo.back().SelStartBefore = FSelStart;
  FUndo.back().SelLengthBefore = FSelLength;
  FUndo.back().Typing = typing;
  FUndo.back().LastTyped = typing ? action.After.Text[0] : 0;
  FUndo.back().Actions.push_back(std::move(action));
  FTypingOpen = typing;
  if (FUndo.size() > kMaxUndoSteps) FUndo.erase(FUndo.begin());
}

void TRichDocument::RestyleRange(int position, int length,
                                 const std::function<void(TFragment&)>& change) {
  TAction action;
  action.Position = position;
  action.FormatOnly = true;
  action.Before = Extract(position, length, false);
  action.After = action.Before;
  change(action.After);
  std::vector<TRun> merged;
  AppendRuns(merged, action.After.Runs);
  action.After.Runs = std::move(merged);
  if (action.After.Runs.size() == action.Before.Runs.size() &&
      std::equal(action.After.Runs.begin(), action.After.Runs.end(), action.Before.Runs.begin(),
                 [](const TRun& a, const TRun& b) { return a.Length == b.Length && a.Format == b.Format; }) &&
      action.After.Paras == action.Before.Paras)
    return;  // nothing would change: no step, no modified flag
  ApplyAction(action, false);
  Record(std::move(action), false);
  if (FGroupDepth == 0) {
    FUndo.back().SelStartAfter = FSelStart;
    FUndo.back().SelLengthAfter = FSelLength;
  }
  ContentChanged();
}

void TRichDocument::SetSelectionCharFormat(const TCharFormat& format, uint32_t mask) {
  mask &= cfmAll;
  if (FSelLength == 0) {
    TCharFormat f = InsertionFormat();
    ApplyCharFormat(f, format, mask);
    FInsertFormat = FCharFormats.Intern(f);
    return;
  }
  RestyleRange(FSelStart, FSelLength, [&](TFragment& fragment) {
    for (TRun& r : fragment.Runs) {
      TCharFormat f = FCharFormats[r.Format];
      ApplyCharFormat(f, format, mask);
      r.Format = FCharFormats.Intern(f);
    }
  });
  UpdateInsertionFormat();
}

void TRichDocument::SetSelectionParaFormat(const TParaFormat& format, uint32_t mask) {
  mask &= pfmAll;
  const int first = ParagraphOfPosition(FSelStart);
  const int last = FSelLength > 0 ? ParagraphOfPosition(FSelStart + FSelLength - 1) : first;
  const int start = ParagraphStart(first);
  const int end = ParagraphEnd(last) + 1;  // with the break (or the hidden mark) of the last one
  RestyleRange(start, end - start, [&](TFragment& fragment) {
    for (uint32_t& id : fragment.Paras) {
      TParaFormat f = FParaFormats[id];
      ApplyParaFormat(f, format, mask);
      id = FParaFormats.Intern(f);
    }
  });
}

void TRichDocument::Clear() {
  const int oldLength = FChunks.empty() ? 0 : Length();
  TRichContent content;
  content.CharFormats.Intern(FDefaultFormat);
  content.Paras.push_back(content.ParaFormats.Intern(TParaFormat()));
  ResetStorage(std::move(content));
  EmptyUndoHistory();
  FInsertFormat = 0;
  const bool moved = FSelStart != 0 || FSelLength != 0;
  FSelStart = FSelLength = 0;
  Changed({0, oldLength, 0, false});
  ContentChanged();
  if (moved) SelectionChanged();
}

void TRichDocument::CheckContent(const TRichContent& content) {
  uint64_t covered = 0;
  for (const TRun& r : content.Runs) {
    if (r.Format >= content.CharFormats.Count()) throw Exception(u"Invalid rich-text content");
    covered += r.Length;
  }
  for (uint32_t p : content.Paras)
    if (p >= content.ParaFormats.Count()) throw Exception(u"Invalid rich-text content");
  if (covered != content.Text.size() || content.Paras.size() != size_t(CountBreaks(content.Text)) + 1 ||
      content.Text.find(u'\n') != String::npos)
    throw Exception(u"Invalid rich-text content");
}

void TRichDocument::Load(TRichContent content) {
  // Content is checked before anything is replaced: a bad one changes nothing.
  CheckContent(content);
  if (content.Text.size() > size_t(FTextLimit)) throw Exception(u"The text is longer than the text limit");
  const int oldLength = Length();
  ResetStorage(std::move(content));
  EmptyUndoHistory();
  const bool moved = FSelStart != 0 || FSelLength != 0;
  FSelStart = FSelLength = 0;
  UpdateInsertionFormat();
  Changed({0, oldLength, Length(), false});
  FModified = false;
  ContentChanged();
  if (moved) SelectionChanged();
}

void TRichDocument::SetDefaultCharFormat(const TCharFormat& format) {
  FDefaultFormat = TCharFormat();
  ApplyCharFormat(FDefaultFormat, format, cfmAll);
  if (Length() > 0) return;
  // An empty document takes the new default at once: typing and the paragraph mark use it.
  TFragment mark = Extract(0, 1, false);
  mark.Runs = {TRun{1, FCharFormats.Intern(FDefaultFormat)}};
  RestyleRaw(0, mark);
  FInsertFormat = mark.Runs[0].Format;
}

void TRichDocument::SetTextLimit(int limit) { FTextLimit = std::clamp(limit, 1, kDefaultTextLimit); }

// ---- Undo ----------------------------------------------------------------------------------

bool TRichDocument::CanUndo() const { return !FUndo.empty(); }
bool TRichDocument::CanRedo() const { return !FRedo.empty(); }

bool TRichDocument::Undo() {
  if (FUndo.empty()) return false;
  TStep step = std::move(FUndo.back());
  FUndo.pop_back();
  FTypingOpen = false;
  FGroupOpen = false;
  BeginUpdate();
  for (auto it = step.Actions.rbegin(); it != step.Actions.rend(); ++it) ApplyAction(*it, true);
  SetSelectionRaw(step.SelStartBefore, step.SelLengthBefore);
  UpdateInsertionFormat();
  FRedo.push_back(std::move(step));
  EndUpdate();
  return true;
}

bool TRichDocument::Redo() {
  if (FRedo.empty()) return false;
  TStep step = std::move(FRedo.back());
  FRedo.pop_back();
  FTypingOpen = false;
  FGroupOpen = false;
  BeginUpdate();
  for (const TAction& a : step.Actions) ApplyAction(a, false);
  SetSelectionRaw(step.SelStartAfter, step.SelLengthAfter);
  UpdateInsertionFormat();
  FUndo.push_back(std::move(step));
  EndUpdate();
  return true;
}

void TRichDocument::BeginUndoGroup() {
  if (FGroupDepth++ == 0) {
    FGroupOpen = false;
    FTypingOpen = false;
  }
}

void TRichDocument::EndUndoGroup() {
  if (FGroupDepth == 0) return;
  if (--FGroupDepth == 0) {
    if (FGroupOpen) {
      FUndo.back().SelStartAfter = FSelStart;
      FUndo.back().SelLengthAfter = FSelLength;
      if (FUndo.size() > kMaxUndoSteps) FUndo.erase(FUndo.begin());
    }
    FGroupOpen = false;
  }
}

void TRichDocument::BreakUndoTyping() { FTypingOpen = false; }

void TRichDocument::EmptyUndoHistory() {
  FUndo.clear();
  FRedo.clear();
  FTypingOpen = false;
  FGroupOpen = false;
}

// ---- Search --------------------------------------------------------------------------------

int TRichDocument::FindText(StringView text, int start, int end, uint32_t options) const {
  const int n = Length();
  if (end < 0 || end > n) end = n;
  start = std::clamp(start, 0, n);
  const int m = int(text.size());
  if (m == 0 || end - start < m) return -1;
  const bool matchCase = options & soMatchCase;
  String pattern(text);
  if (!matchCase)
    for (char16_t& c : pattern) c = FoldCase(c);
  // The range is searched in windows that overlap by one character less than the pattern, so a
  // search never copies the whole document.
  constexpr int kWindow = 1 << 16;
  for (int pos = start; pos + m <= end;) {
    const int length = std::min(end - pos, kWindow + m - 1);
    String window = GetTextRange(pos, length);
    if (!matchCase)
      for (char16_t& c : window) c = FoldCase(c);
    for (size_t at = window.find(pattern); at != String::npos; at = window.find(pattern, at + 1)) {
      const int p = pos + int(at);
      if (options & soWholeWord) {
        if ((p > 0 && IsSearchWordChar(CharAt(p - 1))) || (p + m < n && IsSearchWordChar(CharAt(p + m))))
          continue;
      }
      return p;
    }
    if (pos + length >= end) break;
    pos += length - (m - 1);
  }
  return -1;
}

// ---- Notifications -------------------------------------------------------------------------

void TRichDocument::BeginUpdate() {
  if (FUpdateDepth++ == 0) FSelectionMovedInUpdate = false;
}

void TRichDocument::EndUpdate() {
  if (FUpdateDepth == 0 || --FUpdateDepth > 0) return;
  if (OnChange) OnChange();
  if (FSelectionMovedInUpdate) {
    FSelectionMovedInUpdate = false;
    if (OnSelectionChange) OnSelectionChange();
  }
}
