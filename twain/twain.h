/* TWAIN 1.8 records and constants, written from the published standard.
 *
 * Records are packed on 2-byte boundaries, as on the platform the standard
 * was first published for, so that TW_IDENTITY is 156 bytes and TW_ONEVALUE
 * 6 bytes.  Handles and memory references are pointer sized here: a TW_HANDLE
 * is a block of globalmem.h. */
#ifndef QUILLON_TWAIN_H
#define QUILLON_TWAIN_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* ---- basic types ---- */
typedef char TW_STR32[34];
typedef char TW_STR64[66];
typedef char TW_STR128[130];
typedef char TW_STR255[256];

typedef int8_t TW_INT8;
typedef int16_t TW_INT16;
typedef int32_t TW_INT32;
typedef uint8_t TW_UINT8;
typedef uint16_t TW_UINT16;
typedef uint32_t TW_UINT32;
typedef uint16_t TW_BOOL;
typedef void *TW_HANDLE;
typedef void *TW_MEMREF;

typedef TW_UINT8 *pTW_UINT8;
typedef TW_UINT16 *pTW_UINT16;
typedef TW_UINT32 *pTW_UINT32;
typedef TW_HANDLE *pTW_HANDLE;

#pragma pack(push, 2)

typedef struct {
    TW_INT16 Whole;
    TW_UINT16 Frac;
} TW_FIX32, *pTW_FIX32;

typedef struct {
    TW_FIX32 Left;
    TW_FIX32 Top;
    TW_FIX32 Right;
    TW_FIX32 Bottom;
} TW_FRAME, *pTW_FRAME;

typedef struct {
    TW_UINT16 MajorNum;
    TW_UINT16 MinorNum;
    TW_UINT16 Language;
    TW_UINT16 Country;
    TW_STR32 Info;
} TW_VERSION, *pTW_VERSION;

typedef struct {
    TW_UINT32 Id;
    TW_VERSION Version;
    TW_UINT16 ProtocolMajor;
    TW_UINT16 ProtocolMinor;
    TW_UINT32 SupportedGroups;
    TW_STR32 Manufacturer;
    TW_STR32 ProductFamily;
    TW_STR32 ProductName;
} TW_IDENTITY, *pTW_IDENTITY;

typedef struct {
    TW_UINT16 Cap;
    TW_UINT16 ConType;
    TW_HANDLE hContainer;
} TW_CAPABILITY, *pTW_CAPABILITY;

/* The four containers a capability travels in. */
typedef struct {
    TW_UINT16 ItemType;
    TW_UINT32 Item;
} TW_ONEVALUE, *pTW_ONEVALUE;

typedef struct {
    TW_UINT16 ItemType;
    TW_UINT32 MinValue;
    TW_UINT32 MaxValue;
    TW_UINT32 StepSize;
    TW_UINT32 DefaultValue;
    TW_UINT32 CurrentValue;
} TW_RANGE, *pTW_RANGE;

typedef struct {
    TW_UINT16 ItemType;
    TW_UINT32 NumItems;
    TW_UINT8 ItemList[1];
} TW_ARRAY, *pTW_ARRAY;

typedef struct {
    TW_UINT16 ItemType;
    TW_UINT32 NumItems;
    TW_UINT32 CurrentIndex;
    TW_UINT32 DefaultIndex;
    TW_UINT8 ItemList[1];
} TW_ENUMERATION, *pTW_ENUMERATION;

typedef struct {
    TW_BOOL ShowUI;
    TW_BOOL ModalUI;
    TW_HANDLE hParent;
} TW_USERINTERFACE, *pTW_USERINTERFACE;

typedef struct {
    TW_MEMREF pEvent;
    TW_UINT16 TWMessage;
} TW_EVENT, *pTW_EVENT;

typedef struct {
    TW_UINT16 Count;
    union {
        TW_UINT32 EOJ;
        TW_UINT32 Reserved;
    };
} TW_PENDINGXFERS, *pTW_PENDINGXFERS;

typedef struct {
    TW_FRAME Frame;
    TW_UINT32 DocumentNumber;
    TW_UINT32 PageNumber;
    TW_UINT32 FrameNumber;
} TW_IMAGELAYOUT, *pTW_IMAGELAYOUT;

typedef struct {
    TW_FIX32 XResolution;
    TW_FIX32 YResolution;
    TW_INT32 ImageWidth;
    TW_INT32 ImageLength;
    TW_INT16 SamplesPerPixel;
    TW_INT16 BitsPerSample[8];
    TW_INT16 BitsPerPixel;
    TW_BOOL Planar;
    TW_INT16 PixelType;
    TW_UINT16 Compression;
} TW_IMAGEINFO, *pTW_IMAGEINFO;

typedef struct {
    TW_UINT16 ConditionCode;
    TW_UINT16 Reserved;
} TW_STATUS, *pTW_STATUS;

#pragma pack(pop)

/* ---- data groups ---- */
#define DG_CONTROL 0x0001L
#define DG_IMAGE 0x0002L
#define DG_AUDIO 0x0004L

/* ---- data argument types ---- */
#define DAT_NULL 0x0000
#define DAT_CUSTOMBASE 0x8000
#define DAT_CAPABILITY 0x0001
#define DAT_EVENT 0x0002
#define DAT_IDENTITY 0x0003
#define DAT_PARENT 0x0004
#define DAT_PENDINGXFERS 0x0005
#define DAT_SETUPMEMXFER 0x0006
#define DAT_SETUPFILEXFER 0x0007
#define DAT_STATUS 0x0008
#define DAT_USERINTERFACE 0x0009
#define DAT_XFERGROUP 0x000a
#define DAT_TWUNKIDENTITY 0x000b
#define DAT_CUSTOMDSDATA 0x000c
#define DAT_DEVICEEVENT 0x000d
#define DAT_FILESYSTEM 0x000e
#define DAT_PASSTHRU 0x000f
#define DAT_IMAGEINFO 0x0101
#define DAT_IMAGELAYOUT 0x0102
#define DAT_IMAGEMEMXFER 0x0103
#define DAT_IMAGENATIVEXFER 0x0104
#define DAT_IMAGEFILEXFER 0x0105
#define DAT_CIECOLOR 0x0106
#define DAT_GRAYRESPONSE 0x0107
#define DAT_RGBRESPONSE 0x0108
#define DAT_JPEGCOMPRESSION 0x0109
#define DAT_PALETTE8 0x010a
#define DAT_EXTIMAGEINFO 0x010b

/* ---- messages ---- */
#define MSG_NULL 0x0000
#define MSG_CUSTOMBASE 0x8000
#define MSG_GET 0x0001
#define MSG_GETCURRENT 0x0002
#define MSG_GETDEFAULT 0x0003
#define MSG_GETFIRST 0x0004
#define MSG_GETNEXT 0x0005
#define MSG_SET 0x0006
#define MSG_RESET 0x0007
#define MSG_QUERYSUPPORT 0x0008
#define MSG_XFERREADY 0x0101
#define MSG_CLOSEDSREQ 0x0102
#define MSG_CLOSEDSOK 0x0103
#define MSG_DEVICEEVENT 0x0104
#define MSG_CHECKSTATUS 0x0201
#define MSG_OPENDSM 0x0301
#define MSG_CLOSEDSM 0x0302
#define MSG_OPENDS 0x0401
#define MSG_CLOSEDS 0x0402
#define MSG_USERSELECT 0x0403
#define MSG_DISABLEDS 0x0501
#define MSG_ENABLEDS 0x0502
#define MSG_ENABLEDSUIONLY 0x0503
#define MSG_PROCESSEVENT 0x0601
#define MSG_ENDXFER 0x0701

/* ---- return codes ---- */
#define TWRC_CUSTOMBASE 0x8000
#define TWRC_SUCCESS 0
#define TWRC_FAILURE 1
#define TWRC_CHECKSTATUS 2
#define TWRC_CANCEL 3
#define TWRC_DSEVENT 4
#define TWRC_NOTDSEVENT 5
#define TWRC_XFERDONE 6
#define TWRC_ENDOFLIST 7
#define TWRC_INFONOTSUPPORTED 8
#define TWRC_DATANOTAVAILABLE 9

/* ---- condition codes ---- */
#define TWCC_CUSTOMBASE 0x8000
#define TWCC_SUCCESS 0
#define TWCC_BUMMER 1
#define TWCC_LOWMEMORY 2
#define TWCC_NODS 3
#define TWCC_MAXCONNECTIONS 4
#define TWCC_OPERATIONERROR 5
#define TWCC_BADCAP 6
#define TWCC_BADPROTOCOL 9
#define TWCC_BADVALUE 10
#define TWCC_SEQERROR 11
#define TWCC_BADDEST 12
#define TWCC_CAPUNSUPPORTED 13
#define TWCC_CAPBADOPERATION 14
#define TWCC_CAPSEQERROR 15
#define TWCC_DENIED 16
#define TWCC_FILEEXISTS 17
#define TWCC_FILENOTFOUND 18
#define TWCC_NOTEMPTY 19
#define TWCC_PAPERJAM 20
#define TWCC_PAPERDOUBLEFEED 21
#define TWCC_FILEWRITEERROR 22
#define TWCC_CHECKDEVICEONLINE 23
/* Given by later revisions of the standard; our source manager tells a cover
 * left open and an empty feeder or glass by them. */
#define TWCC_INTERLOCK 24
#define TWCC_NOMEDIA 29

/* ---- container types ---- */
#define TWON_ARRAY 3
#define TWON_ENUMERATION 4
#define TWON_ONEVALUE 5
#define TWON_RANGE 6
#define TWON_ICONID 962
#define TWON_DSMID 461
#define TWON_DSMCODEID 63
#define TWON_DONTCARE8 0xff
#define TWON_DONTCARE16 0xffff
#define TWON_DONTCARE32 0xffffffff

/* ---- item types ---- */
#define TWTY_INT8 0x0000
#define TWTY_INT16 0x0001
#define TWTY_INT32 0x0002
#define TWTY_UINT8 0x0003
#define TWTY_UINT16 0x0004
#define TWTY_UINT32 0x0005
#define TWTY_BOOL 0x0006
#define TWTY_FIX32 0x0007
#define TWTY_FRAME 0x0008
#define TWTY_STR32 0x0009
#define TWTY_STR64 0x000a
#define TWTY_STR128 0x000b
#define TWTY_STR255 0x000c

/* ---- capabilities ---- */
#define CAP_CUSTOMBASE 0x8000
#define CAP_XFERCOUNT 0x0001
#define ICAP_COMPRESSION 0x0100
#define ICAP_PIXELTYPE 0x0101
#define ICAP_UNITS 0x0102
#define ICAP_XFERMECH 0x0103
#define CAP_AUTHOR 0x1000
#define CAP_CAPTION 0x1001
#define CAP_FEEDERENABLED 0x1002
#define CAP_FEEDERLOADED 0x1003
#define CAP_TIMEDATE 0x1004
#define CAP_SUPPORTEDCAPS 0x1005
#define CAP_EXTENDEDCAPS 0x1006
#define CAP_AUTOFEED 0x1007
#define CAP_CLEARPAGE 0x1008
#define CAP_FEEDPAGE 0x1009
#define CAP_REWINDPAGE 0x100a
#define CAP_INDICATORS 0x100b
#define CAP_SUPPORTEDCAPSEXT 0x100c
#define CAP_PAPERDETECTABLE 0x100d
#define CAP_UICONTROLLABLE 0x100e
#define CAP_DEVICEONLINE 0x100f
#define CAP_AUTOSCAN 0x1010
#define CAP_THUMBNAILSENABLED 0x1011
#define CAP_DUPLEX 0x1012
#define CAP_DUPLEXENABLED 0x1013
#define CAP_ENABLEDSUIONLY 0x1014
#define CAP_CUSTOMDSDATA 0x1015
#define CAP_ENDORSER 0x1016
#define CAP_JOBCONTROL 0x1017
#define ICAP_AUTOBRIGHT 0x1100
#define ICAP_BRIGHTNESS 0x1101
#define ICAP_CONTRAST 0x1103
#define ICAP_CUSTHALFTONE 0x1104
#define ICAP_EXPOSURETIME 0x1105
#define ICAP_FILTER 0x1106
#define ICAP_FLASHUSED 0x1107
#define ICAP_GAMMA 0x1108
#define ICAP_HALFTONES 0x1109
#define ICAP_HIGHLIGHT 0x110a
#define ICAP_IMAGEFILEFORMAT 0x110c
#define ICAP_LAMPSTATE 0x110d
#define ICAP_LIGHTSOURCE 0x110e
#define ICAP_ORIENTATION 0x1110
#define ICAP_PHYSICALWIDTH 0x1111
#define ICAP_PHYSICALHEIGHT 0x1112
#define ICAP_SHADOW 0x1113
#define ICAP_FRAMES 0x1114
#define ICAP_XNATIVERESOLUTION 0x1116
#define ICAP_YNATIVERESOLUTION 0x1117
#define ICAP_XRESOLUTION 0x1118
#define ICAP_YRESOLUTION 0x1119
#define ICAP_MAXFRAMES 0x111a
#define ICAP_TILES 0x111b
#define ICAP_BITORDER 0x111c
#define ICAP_CCITTKFACTOR 0x111d
#define ICAP_LIGHTPATH 0x111e
#define ICAP_PIXELFLAVOR 0x111f
#define ICAP_PLANARCHUNKY 0x1120
#define ICAP_ROTATION 0x1121
#define ICAP_SUPPORTEDSIZES 0x1122
#define ICAP_THRESHOLD 0x1123
#define ICAP_XSCALING 0x1124
#define ICAP_YSCALING 0x1125
#define ICAP_BITORDERCODES 0x1126
#define ICAP_PIXELFLAVORCODES 0x1127
#define ICAP_JPEGPIXELTYPE 0x1128
#define ICAP_TIMEFILL 0x112a
#define ICAP_BITDEPTH 0x112b
#define ICAP_BITDEPTHREDUCTION 0x112c
#define ICAP_UNDEFINEDIMAGESIZE 0x112d
#define ICAP_IMAGEDATASET 0x112e
#define ICAP_EXTIMAGEINFO 0x112f
#define ICAP_MINIMUMHEIGHT 0x1130
#define ICAP_MINIMUMWIDTH 0x1131
#define ICAP_AUTOMATICBORDERDETECTION 0x1150
#define ICAP_AUTOMATICDESKEW 0x1151
#define ICAP_AUTOMATICROTATE 0x1152

/* ---- capability values ---- */
#define TWPT_BW 0
#define TWPT_GRAY 1
#define TWPT_RGB 2
#define TWPT_PALETTE 3
#define TWPT_CMY 4
#define TWPT_CMYK 5
#define TWPT_YUV 6
#define TWPT_YUVK 7
#define TWPT_CIEXYZ 8

#define TWUN_INCHES 0
#define TWUN_CENTIMETERS 1
#define TWUN_PICAS 2
#define TWUN_POINTS 3
#define TWUN_TWIPS 4
#define TWUN_PIXELS 5

#define TWBR_THRESHOLD 0
#define TWBR_HALFTONE 1
#define TWBR_CUSTHALFTONE 2
#define TWBR_DIFFUSION 3

#define TWPF_CHOCOLATE 0
#define TWDX_NONE 0
#define TWDX_1PASSDUPLEX 1
#define TWDX_2PASSDUPLEX 2
#define TWPF_VANILLA 1

#define TWSX_NATIVE 0
#define TWSX_FILE 1
#define TWSX_MEMORY 2

/* ---- languages and countries used here ---- */
#define TWLG_DAN 0
#define TWLG_DUT 1
#define TWLG_ENG 2
#define TWLG_FCF 3
#define TWLG_FIN 4
#define TWLG_FRN 5
#define TWLG_GER 6
#define TWLG_ICE 7
#define TWLG_ITN 8
#define TWLG_NOR 9
#define TWLG_POR 10
#define TWLG_SPA 11
#define TWLG_SWE 12
#define TWLG_USA 13

#define TWCY_USA 1
#define TWCY_CANADA 2
#define TWCY_BELGIUM 32
#define TWCY_FRANCE 33
#define TWCY_SPAIN 34
#define TWCY_ITALY 39
#define TWCY_SWITZERLAND 41
#define TWCY_BRITAIN 44
#define TWCY_GERMANY 49

/* ---- protocol ---- */
#define TWON_PROTOCOLMINOR 8
#define TWON_PROTOCOLMAJOR 1

/* ---- the entry point of the source manager ---- */
typedef TW_UINT16 (*DSMENTRYPROC)(pTW_IDENTITY pOrigin, pTW_IDENTITY pDest, TW_UINT32 DG, TW_UINT16 DAT,
                                  TW_UINT16 MSG, TW_MEMREF pData);

TW_UINT16 DSM_Entry(pTW_IDENTITY pOrigin, pTW_IDENTITY pDest, TW_UINT32 DG, TW_UINT16 DAT, TW_UINT16 MSG,
                    TW_MEMREF pData);

#ifdef __cplusplus
}

static_assert(sizeof(TW_IDENTITY) == 156, "TW_IDENTITY must keep its published size");
static_assert(sizeof(TW_ONEVALUE) == 6, "TW_ONEVALUE must keep its published size");
static_assert(sizeof(TW_FIX32) == 4, "TW_FIX32 is two 16-bit halves");
#endif

#endif
