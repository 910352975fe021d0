#pragma once
// Staging folders that earlier runs left in the user's temporary folder: a
// run that was killed, or told to quit while its installer ran, never got to
// discard its up to 64 MiB copy.

// Removes every "Norvane-download-{GUID}" folder of the user's temporary
// folder whose files nobody holds open. Reparse points are never followed,
// and nothing inside such a folder but plain files is touched.
void removeStaleStagingFolders();
