#pragma once
// The rich-text document behind the editing control: UTF-16 text with character and paragraph
// formats, a selection, undo and redo, search, and change notifications. It has no window; the
// control's view, layout, caret and printing are built on the read interface below (positions,
// runs, paragraphs, edit notifications).
//
// Positions are 0-based; a paragraph break is one position. Inside the document, and in the
// selected text and every text range, a break is a single CR (U+000D). The whole text
// (GetText) shows each break as CR LF, which is what callers that count characters of the whole
// text see. Text handed to ReplaceSelection may use CR LF, LF or CR; each becomes one break.
//
// Storage: the text lives in chunks of at most kChunkChars characters, each with its own format
// runs and the paragraph format of each break it holds; two Fenwick trees over the chunks give
// the start position and the break count before any chunk. A position or paragraph lookup costs
// O(log n + C) and an edit inside one chunk O(log n + C) with C = kChunkChars; an edit that
// splits or removes a chunk also renumbers the chunk index, O(n / C). Nothing copies the
// document on an edit.
//
// Every document ends with one hidden paragraph mark that carries the last paragraph's format;
// it is never part of any text or selection, so Length() counts only the visible characters.

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "platform/base/Strings.h"
#include "platform/richedit/RichFormats.h"

constexpr int kDefaultTextLimit = 0x7FFFFFF0;

enum TSearchOption : uint32_t {
  soMatchCase = 1u << 0,
  soWholeWord = 1u << 1,
};

// What one edit did, for views that keep their own layout in step. Format-only changes have
// Removed == Inserted and FormatOnly set.
struct TEditInfo {
  int Position = 0;
  int Removed = 0;
  int Inserted = 0;
  bool FormatOnly = false;
};

// One piece of text in a single character format within one storage chunk, as VisitPieces hands
// it out. Paras holds the paragraph format of each CR in Text, in order.
struct TPieceView {
  int Position;
  StringView Text;
  const TCharFormat& Format;
  std::span<const uint32_t> Paras;
};

class TRichDocument {
 public:
  static constexpr int kChunkChars = 4096;
  static constexpr size_t kMaxUndoSteps = 100;

  TRichDocument();
  ~TRichDocument();
  TRichDocument(const TRichDocument&) = delete;
  TRichDocument& operator=(const TRichDocument&) = delete;

  // --- Reading -------------------------------------------------------------------------------
  int Length() const;  // visible characters, each break counting one
  // The whole text with each break as CR LF.
  String GetText() const;
  // The characters of [start, start + length) with each break as a single CR; clamped to the text.
  String GetTextRange(int start, int length) const;
  char16_t CharAt(int position) const;  // 0 outside the text

  int ParagraphCount() const;                     // breaks + 1; an empty document has one
  int ParagraphOfPosition(int position) const;    // clamped to [0, Length()]
  int ParagraphStart(int paragraph) const;        // first position of a paragraph
  int ParagraphEnd(int paragraph) const;          // position of its break, or Length() for the last
  const TParaFormat& ParagraphFormat(int paragraph) const;

  // The format of the character at position (at Length(), the paragraph mark's). References to
  // formats stay valid until the next change of the document.
  const TCharFormat& CharFormatAt(int position) const;
  // Calls visit for consecutive pieces covering [start, start + length), each in one format.
  void VisitPieces(int start, int length, const std::function<void(const TPieceView&)>& visit) const;

  // --- Selection and insertion point ----------------------------------------------------------
  int SelStart() const { return FSelStart; }
  int SelLength() const { return FSelLength; }
  // Selects [start, start + length); a negative length selects backwards from start. Both ends
  // are clamped to [0, Length()]. An empty selection takes the insertion-point format of the
  // character before it (of the first character at position 0, the default format when empty).
  void SetSelection(int start, int length);
  String GetSelText() const;  // breaks as single CRs

  // The format typing will produce.
  const TCharFormat& InsertionFormat() const;

  // The selection's character format. Size, colour and character set are those of the first
  // selected character; the name too, but it is empty when the selection mixes fonts (so a font
  // box finds no name to show); bold, italic, underline and strike-out are reported as set only
  // when every selected character has them. 'mixed' receives the cfm bits of the attributes that vary
  // across the selection. With nothing selected it is the insertion-point format, never mixed.
  TCharFormat GetSelectionCharFormat(uint32_t* mixed = nullptr) const;
  // Sets the masked attributes on every selected character, or on the insertion point when
  // nothing is selected (which is no change to the document).
  void SetSelectionCharFormat(const TCharFormat& format, uint32_t mask);

  // The format of the paragraph holding the selection's start; 'mixed' receives the pfm bits that
  // vary across the paragraphs the selection touches.
  TParaFormat GetSelectionParaFormat(uint32_t* mixed = nullptr) const;
  // Sets the masked attributes on every paragraph the selection touches (the caret's paragraph
  // when nothing is selected).
  void SetSelectionParaFormat(const TParaFormat& format, uint32_t mask);

  // --- Editing ---------------------------------------------------------------------------------
  // Replaces the selection with text. The new text takes the format of the first replaced
  // character, or the insertion-point format when nothing is selected; new breaks take the format
  // of the paragraph they split. The caret ends after the new text. Text past the text limit is
  // dropped. Without undo the history is emptied, so an undo can never apply at wrong positions.
  void ReplaceSelection(StringView text, bool canUndo = true);
  // Replaces the selection with rich content (a paste of RTF). Each break of the content brings
  // its paragraph format; the content's last paragraph joins the paragraph the selection ends in.
  // Raises Exception on inconsistent content, changing nothing.
  void ReplaceSelectionRich(const TRichContent& content, bool canUndo = true);
  // Replaces the whole document: text with the default format, one left-aligned paragraph.
  void Clear();
  // Replaces the whole document with content (from a reader). Empties the history, selects 0,0.
  void Load(TRichContent content);
  // The character format used for text without one and by Clear; an empty document takes it at
  // once (no change, no modified flag).
  void SetDefaultCharFormat(const TCharFormat& format);
  const TCharFormat& DefaultCharFormat() const { return FDefaultFormat; }
  void SetTextLimit(int limit);  // clamped to [1, kDefaultTextLimit]
  int TextLimit() const { return FTextLimit; }

  bool Modified() const { return FModified; }
  void SetModified(bool modified) { FModified = modified; }

  // --- Undo ------------------------------------------------------------------------------------
  // Consecutive typing of single characters is one step per word with the blanks after it; every
  // other change is a step of its own unless it falls inside an undo group, which makes one step
  // of everything done until the matching end (groups nest).
  bool CanUndo() const;
  bool CanRedo() const;
  bool Undo();
  bool Redo();
  void BeginUndoGroup();
  void EndUndoGroup();
  // Ends the running typing step, so that the next character starts a new one (a caret move).
  void BreakUndoTyping();
  void EmptyUndoHistory();

  // --- Search ----------------------------------------------------------------------------------
  // The first position p in [start, end - Length(text)] where text matches, or -1; end < 0 means
  // the end of the document. Without soMatchCase letters compare by simple case folding (ASCII,
  // Latin-1, Latin Extended-A, Greek and Cyrillic). With soWholeWord the characters just before
  // and after the match, looked at outside [start, end) too, must not be word characters
  // (letters, digits, '_' and the apostrophe).
  int FindText(StringView text, int start, int end, uint32_t options) const;

  // --- Notifications ---------------------------------------------------------------------------
  // Between BeginUpdate and the matching EndUpdate, OnChange and OnSelectionChange are held back;
  // the outermost EndUpdate raises OnChange once in every case, then OnSelectionChange when the
  // selection moved meanwhile. OnEdit is never held back: a view needs every edit's range.
  void BeginUpdate();
  void EndUpdate();
  std::function<void()> OnChange;
  std::function<void()> OnSelectionChange;
  std::function<void(const TEditInfo&)> OnEdit;

 private:
  struct TChunk;
  struct TFragment;
  struct TAction;
  struct TStep;
  struct TLocation {
    size_t Chunk;
    int Offset;
  };

  // Storage.
  int InternalLength() const;
  TLocation Locate(int position) const;
  int ChunkStart(size_t chunk) const;
  void RebuildIndex();
  uint32_t ParaIdOfParagraph(int paragraph) const;
  void IndexAdd(size_t chunk, int length, int breaks);
  TFragment Extract(int position, int length, bool withText) const;
  void EraseRaw(int position, int length);
  void InsertRaw(int position, const TFragment& fragment);
  void RestyleRaw(int position, const TFragment& formats);
  void ResetStorage(TRichContent content);

  // Changes with undo records and notifications.
  void ApplyAction(const TAction& action, bool reverse);
  void Record(TAction action, bool typing);
  void Changed(const TEditInfo& info);  // modified flag and OnEdit
  void ContentChanged();                // OnChange, once the state is final
  void SelectionChanged();
  void SetSelectionRaw(int start, int length);
  void ReplaceSelectionWith(TFragment after, bool canUndo, bool typing, uint32_t insertFormat);
  static void CheckContent(const TRichContent& content);
  void UpdateInsertionFormat();
  void RestyleRange(int position, int length,
                    const std::function<void(TFragment&)>& change);

  std::vector<TChunk> FChunks;
  std::vector<int64_t> FLengthTree;  // Fenwick tree of chunk lengths
  std::vector<int64_t> FBreakTree;   // Fenwick tree of CR counts
  TCharFormatTable FCharFormats;
  TParaFormatTable FParaFormats;
  TCharFormat FDefaultFormat;
  uint32_t FInsertFormat = 0;

  int FSelStart = 0;
  int FSelLength = 0;
  int FTextLimit = kDefaultTextLimit;
  bool FModified = false;

  std::vector<TStep> FUndo;
  std::vector<TStep> FRedo;
  int FGroupDepth = 0;
  bool FGroupOpen = false;  // the open group already has a step on FUndo
  bool FTypingOpen = false;

  int FUpdateDepth = 0;
  bool FSelectionMovedInUpdate = false;
};
