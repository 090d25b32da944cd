#pragma once
// The track and song property commands: fill a dialog's options from the document, run it,
// and apply what it returns through the document's operations.
// User-interface thread only.
#include <cstdint>

#include "app/dialogs/dialog_host.h"
#include "app/dialogs/song_property_dialog.h"
#include "app/dialogs/track_property_dialog.h"

namespace kore::dialogs {

// "トラックプロパティ(&R)" for a slot in use.
TrackPropertyOptions TrackPropertyOptionsFor(DialogHost& host, int32_t slot);
// OK: everything to the dialog's own track.
void ApplyTrackProperties(DialogHost& host, int32_t slot, const TrackPropertyOptions& options);
// "適用(&A)": the chosen properties and the mixer settings to every selected destination; with
// numbering the names get 1, 2, ... in list order.
void ApplyToDestinations(DialogHost& host, const TrackPropertyOptions& options);
void ShowTrackProperties(DialogHost& host, int32_t slot);

// File menu "プロパティ(&R)".
SongPropertyOptions SongPropertyOptionsFor(DialogHost& host);
void ApplySongProperties(DialogHost& host, const SongPropertyOptions& options);
void ShowSongProperties(DialogHost& host);

// The character count the game sees for a slot: its compiled EndOfTrack value.
int32_t TrackCharacterCount(const CMMLTrack& track);

}  // namespace kore::dialogs
