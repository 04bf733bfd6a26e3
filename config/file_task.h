// Export and import of the configuration file (config_file.h) as operations
// of the configuration: each runs on the worker of the attached operations
// object (operations.h; "export", "import" in its thread message) behind
// the progress window, one operation at a time, with the chaining of
// config_task.h (the send that follows an import opens its progress window
// after the import's has closed).
//
// The starters and ImportDialogAccept run on the window thread (or varn's
// main thread); the worker bodies run on the worker. Results are int 1 for
// success and 0 for failure, the failing step having reported itself.
#pragma once

#include <cstdio>
#include <string>

#include "appframe.h"
#include "config_file.h"

// The paths of the last export and import (at most APP_PATH_SIZE - 1
// bytes) and the options of the last "Import", written before the worker
// starts and read by it.
extern char szExportFile[APP_PATH_SIZE];
extern char szImportFile[APP_PATH_SIZE];
extern ConfigImportOptions tImportOptions;

// Copies sPath into szBuffer (APP_PATH_SIZE bytes): 1; a longer path is
// refused with "The path is too long (%d characters, at most %d) !", 0.
int ConfigStorePath(const std::string& sPath, char* szBuffer);

// The name the save dialog proposes: the Factory "Serial number" cut at its
// first blank, with ".varncfg" appended; "" when nothing is left of it (an
// empty or all-blank box, which would give the hidden name ".varncfg").
std::string ExportProposedName();

// 1 when an export may write sPath: nothing is there, or a regular file (a
// link to one: the export replaces the file it names). Otherwise reports
// "Could not open file '%s' for writing : it is a %s, not a regular file !"
// (a pipe would block the export for ever, a device would be fed) or the
// system's reason, and returns 0. Made before the overwrite question.
int ConfigCheckExportTarget(const std::string& sPath);
// 1 when an import may read sPath: a regular file (a link to one). A pipe
// or a device, which would be read without end, is refused with "Could not
// open file '%s' for reading : it is a %s, not a regular file !".
int ConfigCheckImportSource(const std::string& sPath);

// Stores the path and starts the export worker. A path too long for the
// buffer is refused ("The path is too long (%d characters, at most %d) !"),
// never cut to another name, and so is a target that is no regular file
// (ConfigCheckExportTarget). 0 when refused or the thread could not be
// made ("Could not create export thread !").
int ExportSensorConfig(const std::string& sPath);
// The export itself: the file written beside its name and renamed over it
// when complete; "Could not open file '%s' for writing !", "Could not write
// file '%s' !" (nothing left under the name but what was there), or
// "Configuration successfully exported !".
int ExportSensorConfigFn();

// The Import dialog's "Import": "Please enter export filename !" for an
// empty path, "Filename  '%s' not found !" for a missing file, the refusal
// of a file that is no regular one (ConfigCheckImportSource), and the
// length refusal of ExportSensorConfig; then the path and options stored,
// and, for a factory import while the factory parameters are locked, the
// password and the unlock (DlgFactoryAskUnlock) and the factory status.
// 1 when the import worker was started (the dialog closes); 0 when the
// dialog stays (a check failed, the unlock did not hold) or the start
// failed. Runs on the calling thread and blocks it for the unlock.
int ImportDialogAccept(const std::string& sPath, const ConfigImportOptions& tOptions);

// Starts the import worker on szImportFile with tImportOptions ("Could not
// create import thread !").
int ImportSensorConfig();
// The import itself: the file into the pages ("Could not open file '%s'
// for reading !", the refusal of a file that is no regular one, "Could not
// read file '%s' !", the reader's messages, "No parameter was imported
// from file '%s' !" for a file that put no value on the pages: an empty
// one, comments only, lines that end in a carriage return alone), then
// the averaging figures, the identity header with a wake-up,
// "Configuration successfully imported !", and, with bImportApply while the
// sensor is still connected, a send queued behind this run.
int ImportSensorConfigFn();

// An open file through a reader (config_file.h) to its end: 1 when it was
// read whole, 0 when the reading stopped or a read failed ("Could not read
// file '%s' !": the rest was never seen, so it is no end of the file).
int ConfigFileReadStream(FILE* pFile, const char* szPath, ConfigFileHandler& tHandler, bool bIgnoreErrors);
