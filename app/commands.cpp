#include "app/commands.h"

namespace kore {
namespace {

constexpr CommandInfo kCommands[] = {
    {Cmd::New, "新規作成(&N)", "Ctrl+N", "新規作成", false},
    {Cmd::Open, "開く(&O)", "Ctrl+O", "ファイルを開く", false},
    {Cmd::Save, "上書き保存(&S)", "Ctrl+S", "上書き保存", false},
    {Cmd::SaveAs, "名前をつけて保存(&A)", "Shift+Ctrl+S", "名前をつけて保存", false},
    {Cmd::ClipboardImport, "クリップボードのMMLを入力(&I)", "Shift+Ctrl+V",
     "クリップボードのMMLを入力", false},
    {Cmd::ClipboardExport, "クリップボードへMMLを出力(&E)", "F7", "クリップボードへMMLを出力",
     false},
    {Cmd::SmfImport, "標準MIDIファイルを入力(&M)", "", "", false},
    {Cmd::SmfExport, "標準MIDIファイルを出力(&P)", "", "標準MIDIファイルを出力", false},
    {Cmd::WaveExport, "WAVEファイルを出力(&W)", "", "", false},
    {Cmd::SongProperties, "プロパティ(&R)", "", "", false},
    {Cmd::Exit, "終了(&X)", "", "", false},
    {Cmd::Undo, "元に戻す(&Z)", "Ctrl+Z", "", false},
    {Cmd::Redo, "やり直し(&Y)", "Ctrl+Y", "", false},
    {Cmd::Cut, "切り取り(&X)", "Ctrl+X", "", false},
    {Cmd::Copy, "コピー(&C)", "Ctrl+C", "", false},
    {Cmd::Paste, "貼り付け(&V)", "Ctrl+V", "", false},
    {Cmd::Delete, "削除(&D)", "Del", "", false},
    {Cmd::SelectAll, "すべて選択(&A)", "Ctrl+A", "", false},
    {Cmd::Find, "検索(&F)", "Ctrl+F", "", false},
    {Cmd::Replace, "置換(&R)", "Ctrl+R", "", false},
    {Cmd::ViewAll, "全て(&N)", "", "", true},
    {Cmd::ViewSideBySide, "ピアノロール＆コード 横(&P)", "", "", true},
    {Cmd::ViewStacked, "ピアノロール＆コード 縦(&V)", "", "", true},
    {Cmd::Monitor, "演奏モニタ(&M)", "", "", true},
    {Cmd::Keyboard, "鍵盤(&K)", "", "", false},
    {Cmd::TrackAdd, "トラック追加(&A)", "Ctrl+T", "トラックを追加します。", false},
    {Cmd::TrackDelete, "トラック削除(&E)", "", "トラックを削除します。", false},
    {Cmd::TrackProperties, "トラックプロパティ(&R)", "", "トラックのプロパティ", false},
    {Cmd::SyntaxCheck, "構文チェック(&C)", "", "", false},
    {Cmd::Play, "再生(&P)", "", "再生を開始します。", false},
    {Cmd::Pause, "一時停止(&C)", "", "再生を一時停止します。", false},
    {Cmd::Stop, "停止(&S)", "Esc", "再生を停止します。", false},
    {Cmd::BackMeasure, "１小節再生位置を戻す(&R)", "F4", "１小節再生位置を戻します。", false},
    {Cmd::ForwardMeasure, "１小節再生位置を進める(&F)", "F6", "１小節再生位置を進めます。",
     false},
    {Cmd::Rewind, "先頭へ戻す(&B)", "F3", "再生位置を先頭に戻します。", false},
    {Cmd::PlayFromCaret, "テキストカーソル位置から再生(&T)", "Ctrl+F5", "", false},
    {Cmd::Loop, "繰り返し再生(&L)", "", "繰り返し再生を行います。", true},
    {Cmd::Configuration, "環境設定(&C)", "", "", false},
    {Cmd::EditPlaySelect, "コードウィンドウの再生箇所選択(&V)", "", "", true},
    {Cmd::EditScroll, "イベントリストのオートスクロール(&C)", "", "コード編集時にスクロールします。",
     true},
    {Cmd::PianoRollScroll, "ピアノロールビューのオートスクロール(&P)", "", "", false},
    {Cmd::About, "バージョン情報(&A)", "", "バージョン情報", false},
    {Cmd::PlayPauseToggle, "", "F5", "", false},
    {Cmd::SetStartPosition, "ここを再生開始位置に設定(&S)", "F9", "", false},
    {Cmd::RenameTrack, "トラック名を編集(&N)", "", "", false},
    {Cmd::MarkerCreate, "マーカーを作成(&M)", "", "", false},
    {Cmd::MarkerDelete, "マーカーを削除(&D)", "", "", false},
    {Cmd::MarkerEdit, "マーカーを編集(&E)", "", "", false},
    {Cmd::MarkerCancel, "キャンセル(&C)", "", "", false},
};

}  // namespace

std::span<const CommandInfo> CommandTable() { return kCommands; }

const CommandInfo* FindCommand(Cmd id) {
  for (const CommandInfo& info : kCommands)
    if (info.id == id) return &info;
  return nullptr;
}

}  // namespace kore
