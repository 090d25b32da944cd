#pragma once
// The per-user ".mml" association of the desktop: a MIME package naming the document type
// "application/x-kordocumenttype" ("KORE 楽曲ファイル", glob *.mml, and the "[Settings]" magic so
// that MathML files keep their own type), a kore.desktop entry opening the file, and the
// default application in mimeapps.list. The shared databases are refreshed with the desktop's
// own tools when they are installed. Qt-free.
#include <string>

namespace kore {

enum class AssociationResult {
  Done,
  AlreadyRegistered,  // our package exists and overwriting was not confirmed
  Failed,
};

struct AssociationEnvironment {
  std::string dataHome;     // $XDG_DATA_HOME or ~/.local/share
  std::string configHome;   // $XDG_CONFIG_HOME or ~/.config
  std::string programPath;  // the kore executable
  bool runTools = true;     // update-mime-database, update-desktop-database, xdg-mime
  static AssociationEnvironment FromProcess(const std::string& programPath);
};

inline constexpr char kKoreMimeType[] = "application/x-kordocumenttype";

bool IsFileAssociationRegistered(const AssociationEnvironment& env);
// Without `overwrite`, an existing registration is left alone and reported.
AssociationResult RegisterFileAssociation(const AssociationEnvironment& env, bool overwrite);
// Removes the MIME package and the default; the .desktop entry stays.
AssociationResult RemoveFileAssociation(const AssociationEnvironment& env);

}  // namespace kore
