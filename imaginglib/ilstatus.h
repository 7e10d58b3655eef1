/* The file library's error numbers, apart from its functions, so that a
 * caller that loads the library at run time (and wraps its functions under
 * the same names) can name them too.  ilLoadString gives their texts. */
#ifndef QUILLON_ILSTATUS_H
#define QUILLON_ILSTATUS_H

#define IL_ERR_STOPPED 0
#define IL_ERR_CANNOT_OPEN (-1)
#define IL_ERR_CANNOT_CREATE (-2)
#define IL_ERR_WRONG_FORMAT (-3)
#define IL_ERR_DAMAGED (-4)
#define IL_ERR_UNSUPPORTED_VARIANT (-5)
#define IL_ERR_NO_MEMORY (-6)
#define IL_ERR_TOO_LARGE (-7)
#define IL_ERR_BAD_DEPTH (-8)
#define IL_ERR_BAD_IMAGE (-9)
#define IL_ERR_NO_SUCH_PAGE (-10)
#define IL_ERR_BAD_PARAMETER (-11)
#define IL_ERR_NO_SOURCE_MANAGER (-12)
#define IL_ERR_SCAN_FAILED (-13)
#define IL_ERR_UNKNOWN (-14)

#endif
