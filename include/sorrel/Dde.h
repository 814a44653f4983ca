// The dynamic data exchange management library as host code written for Windows
// calls it: instances, string handles, conversation lists, request and poke
// transactions, data handles and the DMLERR codes, with the Win32 names, argument
// order and results. The conversations run over D-Bus on the session bus; how
// the DDE names map onto bus names, objects and methods is in docs/PLATFORM.md.
//
// An instance belongs to the thread that made it, as on Windows. A server instance
// is served where a Windows server would run its message loop: the host calls
// SorrelDdeProcess (or watches SorrelDdeGetFd and calls it when it is readable).
#pragma once

#include "sorrel/Types.h"

typedef struct HCONVLIST__* HCONVLIST;
typedef struct HCONV__* HCONV;
typedef struct HSZ__* HSZ;
typedef struct HDDEDATA__* HDDEDATA;

#ifndef CALLBACK
#define CALLBACK
#endif
typedef HDDEDATA CALLBACK FNCALLBACK(UINT wType, UINT wFmt, HCONV hConv, HSZ hsz1, HSZ hsz2, HDDEDATA hData,
                                     ULONG_PTR dwData1, ULONG_PTR dwData2);
typedef FNCALLBACK* PFNCALLBACK;

struct CONVCONTEXT {
  UINT cb;
  UINT wFlags;
  int iCountryID;
  int iCodePage;
  DWORD dwLangID;
  DWORD dwSecurity;
};
typedef CONVCONTEXT* PCONVCONTEXT;

// Code pages of string handles: the ANSI code page is the one kept.
#define CP_WINANSI 1004
#define CP_WINUNICODE 1200

#define CF_TEXT 1

// Transaction classes and types.
#define XCLASS_BOOL 0x1000
#define XCLASS_DATA 0x2000
#define XCLASS_FLAGS 0x4000
#define XCLASS_NOTIFICATION 0x8000
#define XTYPF_NOBLOCK 0x0002
#define XTYP_CONNECT (0x0060 | XCLASS_BOOL | XTYPF_NOBLOCK)
#define XTYP_CONNECT_CONFIRM (0x0070 | XCLASS_NOTIFICATION | XTYPF_NOBLOCK)
#define XTYP_POKE (0x0090 | XCLASS_FLAGS)
#define XTYP_REQUEST (0x00B0 | XCLASS_DATA)
#define XTYP_DISCONNECT (0x00C0 | XCLASS_NOTIFICATION | XTYPF_NOBLOCK)

#define TIMEOUT_ASYNC 0xFFFFFFFFu

// Poke results.
#define DDE_FACK 0x8000
#define DDE_FBUSY 0x4000
#define DDE_FNOTPROCESSED 0x0000

// DdeInitialize flags.
#define APPCLASS_STANDARD 0x00000000u
#define APPCMD_CLIENTONLY 0x00000010u

// DdeNameService flags.
#define DNS_REGISTER 0x0001
#define DNS_UNREGISTER 0x0002
#define DNS_FILTERON 0x0004
#define DNS_FILTEROFF 0x0008

// DdeCreateDataHandle flags.
#define HDATA_APPOWNED 0x0001

#define DMLERR_NO_ERROR 0
#define DMLERR_FIRST 0x4000
#define DMLERR_ADVACKTIMEOUT 0x4000
#define DMLERR_BUSY 0x4001
#define DMLERR_DATAACKTIMEOUT 0x4002
#define DMLERR_DLL_NOT_INITIALIZED 0x4003
#define DMLERR_DLL_USAGE 0x4004
#define DMLERR_EXECACKTIMEOUT 0x4005
#define DMLERR_INVALIDPARAMETER 0x4006
#define DMLERR_LOW_MEMORY 0x4007
#define DMLERR_MEMORY_ERROR 0x4008
#define DMLERR_NOTPROCESSED 0x4009
#define DMLERR_NO_CONV_ESTABLISHED 0x400a
#define DMLERR_POKEACKTIMEOUT 0x400b
#define DMLERR_POSTMSG_FAILED 0x400c
#define DMLERR_REENTRANCY 0x400d
#define DMLERR_SERVER_DIED 0x400e
#define DMLERR_SYS_ERROR 0x400f
#define DMLERR_UNADVACKTIMEOUT 0x4010
#define DMLERR_UNFOUND_QUEUE_ID 0x4011
#define DMLERR_LAST 0x4011

// The most data one transaction carries either way; a larger reply is refused.
#define SORREL_DDE_MAX_DATA (1u << 20)

extern "C++" {
// Joins the session bus. *pidInst must be 0. DMLERR_NO_ERROR, or
// DMLERR_DLL_USAGE / DMLERR_INVALIDPARAMETER / DMLERR_SYS_ERROR (no session bus).
SORREL_API UINT DdeInitializeA(LPDWORD pidInst, PFNCALLBACK pfnCallback, DWORD afCmd, DWORD ulRes);
SORREL_API BOOL DdeUninitialize(DWORD idInst);
// The code of the instance's last failed call, which is then forgotten.
SORREL_API UINT DdeGetLastError(DWORD idInst);

// String handles compare without regard to ASCII case, as DDE names do.
SORREL_API HSZ DdeCreateStringHandleA(DWORD idInst, LPCSTR psz, int iCodePage);
SORREL_API BOOL DdeFreeStringHandle(DWORD idInst, HSZ hsz);
SORREL_API BOOL DdeKeepStringHandle(DWORD idInst, HSZ hsz);
SORREL_API DWORD DdeQueryStringA(DWORD idInst, HSZ hsz, LPSTR psz, DWORD cchMax, int iCodePage);
SORREL_API int DdeCmpStringHandles(HSZ hsz1, HSZ hsz2);

// A conversation with every server of the service that accepts the topic, in the
// order the servers joined the bus. Null with DMLERR_NO_CONV_ESTABLISHED when none.
SORREL_API HCONVLIST DdeConnectList(DWORD idInst, HSZ hszService, HSZ hszTopic, HCONVLIST hConvList,
                                    PCONVCONTEXT pCC);
SORREL_API HCONV DdeQueryNextServer(HCONVLIST hConvList, HCONV hConvPrev);
SORREL_API BOOL DdeDisconnectList(HCONVLIST hConvList);
SORREL_API HCONV DdeConnect(DWORD idInst, HSZ hszService, HSZ hszTopic, PCONVCONTEXT pCC);
SORREL_API BOOL DdeDisconnect(HCONV hConv);

// XTYP_REQUEST (data handle or null) and XTYP_POKE (non-null on success) with a
// time-out in milliseconds; TIMEOUT_ASYNC is not supported.
SORREL_API HDDEDATA DdeClientTransaction(LPBYTE pData, DWORD cbData, HCONV hConv, HSZ hszItem, UINT wFmt,
                                         UINT wType, DWORD dwTimeout, LPDWORD pdwResult);

SORREL_API HDDEDATA DdeCreateDataHandle(DWORD idInst, LPBYTE pSrc, DWORD cb, DWORD cbOff, HSZ hszItem,
                                        UINT wFmt, UINT afCmd);
// With no buffer, the size of the data; otherwise the bytes copied.
SORREL_API DWORD DdeGetData(HDDEDATA hData, LPBYTE pDst, DWORD cbMax, DWORD cbOff);
SORREL_API LPBYTE DdeAccessData(HDDEDATA hData, LPDWORD pcbDataSize);
SORREL_API BOOL DdeUnaccessData(HDDEDATA hData);
SORREL_API BOOL DdeFreeDataHandle(HDDEDATA hData);

// Registers (DNS_REGISTER) or gives up (DNS_UNREGISTER; a null hsz1: every one)
// a service name of a server instance. Non-null on success.
SORREL_API HDDEDATA DdeNameService(DWORD idInst, HSZ hsz1, HSZ hsz2, UINT afCmd);

// Where a Windows program's message loop would serve DDE: waits up to
// dwTimeout ms (INFINITE: without end) for calls to the instance's services and
// answers them through its callback. FALSE when the instance is unknown or its
// bus connection has ended.
SORREL_API BOOL SorrelDdeProcess(DWORD idInst, DWORD dwTimeout);
// A descriptor that becomes readable when SorrelDdeProcess has work; -1 if none.
SORREL_API int SorrelDdeGetFd(DWORD idInst);
}

#define DdeInitialize DdeInitializeA
#define DdeCreateStringHandle DdeCreateStringHandleA
#define DdeQueryString DdeQueryStringA
