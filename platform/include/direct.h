// The C runtime's directory functions under their Windows names.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

// The current directory into buffer (at most maxlen bytes with the terminator);
// null when it does not fit or cannot be read.
char* _getcwd(char* buffer, int maxlen);

#ifdef __cplusplus
}
#endif
