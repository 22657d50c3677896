#pragma once
// Managing the files and folders around the archives: sending them to the desktop trash
// and creating folders. Nothing is ever deleted outright. These are the window-free steps;
// the windows add re-reading their views and moving their folder trees.
#include <string>

// Hands one file or folder to the desktop trash (the freedesktop trash on Linux); true when
// the trash reports success.
bool MoveToTrash(const std::string& path);

// Sends the file name (expanded to a full path) to the trash. A name that is no existing
// file gets the message "Please enter a valid file." and false. When the trash reports
// failure, the result is still true if the file is gone.
bool RecycleFile(const std::string& name);

// Asks whether to send the file name to the trash, sends it and reports the outcome in a
// message; true when the file went. A name that is no existing file is refused with
// "Please select a file first.".
bool ConfirmAndRecycleFile(const std::string& name);

// Asks whether to send the folder to the trash and sends it; true when it went. Refuses a
// name that is no existing folder, and the file-system root and every mount point (they
// are the drives of this platform), each with its own message.
bool ConfirmAndRecycleFolder(const std::string& folder);

// The parent of folder with a trailing separator: the folder up to and including the last
// separator found searching backwards from its second-to-last character; empty when there
// is none. "/a/b/" and "/a/b" both give "/a/".
std::string ParentFolderOf(const std::string& folder);

// True when path is an existing folder or creating that one folder succeeds; a missing
// parent is never created, so a two-level path below a missing folder fails.
bool CreateSingleFolder(const std::string& path);
// As CreateSingleFolder, but a failure raises EFileError "Cannot create " + path.
void CreateSingleFolderOrFail(const std::string& path);

// A folder that doesn't exist is created, with every missing parent, once the user agrees to
// "The specified directory does not exist. Create it?". False when the user declines; a
// failure raises EFileError "Cannot create " + folder.
bool CreateFolderIfAgreed(const std::string& folder);
