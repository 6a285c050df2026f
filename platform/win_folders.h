// Folders and files by the game's paths (CP932, '\' between folders): the
// entries of a folder (FindFirstFileA / FindNextFileA / FindClose) and the
// deletion of a file.
//
// A folder is listed as Windows lists one: "." and ".." first, then every
// entry whose name matches the pattern's last part ('*' any run, '?' one
// character, ASCII letters without regard to case; "*.*" takes every name,
// with a dot or without). Names the game could not
// spell are left out, so that a path the game builds from a listed name
// always leads back to the same file: names that do not survive the trip to
// CP932 and back, names holding a backslash, and names of MAX_PATH bytes or
// more. Only files and folders are listed (no pipes, sockets or devices, no
// dangling links). A symbolic link carries FILE_ATTRIBUTE_REPARSE_POINT
// besides the attributes of what it points to.
#pragma once
#include "platform/win_types.h"

#define MAX_PATH 260

#define FILE_ATTRIBUTE_READONLY 0x00000001u
#define FILE_ATTRIBUTE_HIDDEN 0x00000002u
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010u
#define FILE_ATTRIBUTE_NORMAL 0x00000080u
#define FILE_ATTRIBUTE_REPARSE_POINT 0x00000400u
#define INVALID_FILE_ATTRIBUTES 0xFFFFFFFFu

#define ERROR_FILE_NOT_FOUND 2u
#define ERROR_PATH_NOT_FOUND 3u
#define ERROR_ACCESS_DENIED 5u
#define ERROR_NO_MORE_FILES 18u

struct PlatformFind;
typedef PlatformFind* HANDLE_FIND;
#define INVALID_FIND_HANDLE ((HANDLE_FIND)(LONG_PTR)-1)

struct FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
};

struct WIN32_FIND_DATAA {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;  // seconds since 1601 x 10^7, as Windows keeps it
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  DWORD dwReserved0;
  DWORD dwReserved1;
  char cFileName[MAX_PATH];    // CP932, NUL-ended
  char cAlternateFileName[14];  // always empty
};

// pattern: a folder and a name pattern ("C:\game\*.*", "stages\*.ply").
// Returns INVALID_FIND_HANDLE when the folder cannot be read or nothing
// matches; otherwise *data holds the first entry.
HANDLE_FIND FindFirstFileA(LPCSTR pattern, WIN32_FIND_DATAA* data);
// The next entry; FALSE (GetLastError: ERROR_NO_MORE_FILES) after the last.
BOOL FindNextFileA(HANDLE_FIND find, WIN32_FIND_DATAA* data);
BOOL FindClose(HANDLE_FIND find);

// The attributes of whatever has the name, as the find calls give them;
// INVALID_FILE_ATTRIBUTES when nothing has it (GetLastError says why). A
// link is there by itself, whether or not what it points to is: one that
// leads nowhere has FILE_ATTRIBUTE_REPARSE_POINT alone. A pipe, socket or
// device counts as a file.
DWORD GetFileAttributesA(LPCSTR path);

// Deletes a file (never a folder). FALSE when it is not there, is a folder
// or cannot be removed.
BOOL DeleteFileA(LPCSTR path);

// The error of the last of the calls above that failed.
DWORD GetLastError();
