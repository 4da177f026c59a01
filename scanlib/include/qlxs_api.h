/* The scanning library's C interface: 44 exported functions, the records they exchange, the
 * result and error codes, and the callbacks. Both variants (qlxs_apiW.dll, qlxs_apiW_a.dll)
 * export exactly these functions under these undecorated names.
 *
 * Platform-neutral C: fixed-width types only. Text is UTF-16 with a terminating zero
 * (qlxs_char: wchar_t on Windows, char16_t elsewhere; the same 16-bit units).
 * The record offsets below are checked at compile time for 32-bit targets, where pointers
 * take 4 bytes; 64-bit targets keep the same field order with 8-byte pointers.
 *
 * Every function returns normally: no exception leaves the library. Functions that return an
 * int32_t give 0 for success and -1 for failure, with the reason from qlxs_get_last_error()
 * (kept per thread). */
#ifndef QLXS_API_H_
#define QLXS_API_H_

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32) && !defined(_WIN64)
#define QLXS_CALL __stdcall
#else
#define QLXS_CALL
#endif

#if defined(QLXS_BUILDING_LIBRARY) && defined(_WIN32)
#define QLXS_EXPORT __declspec(dllexport)
#else
#define QLXS_EXPORT
#endif

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32)
typedef wchar_t qlxs_char;
#elif defined(__cplusplus)
typedef char16_t qlxs_char;
#else
typedef uint_least16_t qlxs_char;
#endif

/* ---- Result and error codes (qlxs_get_last_error) -------------------------------------- */

#define QLXS_OK 0

/* Arguments and state. */
#define QLXS_E_INVALID_ARGUMENT 0x9101u   /* a null handle or record, an unknown index */
#define QLXS_E_OUT_OF_MEMORY 0x9102u
#define QLXS_E_NO_MODULES 0x9103u         /* the modules folder holds no module set */
#define QLXS_E_SETUP_NOT_COMPILED 0x9104u /* qlxs_scan before qlxs_scan_setup_compile */
#define QLXS_E_MODULES_DAMAGED 0x9105u    /* stored modules fail their checks */
#define QLXS_E_BAD_SCANNER_VERSION 0x9106u /* qlxs_scanner_create with an unknown constant */

/* Update: connection failures (the caller may retry through a proxy). */
#define QLXS_E_NET_OPEN 0x9203u          /* the HTTP client could not be started */
#define QLXS_E_NET_RESOLVE 0x9204u       /* the host name could not be resolved */
#define QLXS_E_NET_CONNECT 0x9205u       /* the server could not be reached */
#define QLXS_E_NET_SEND 0xA001u          /* the request could not be sent */
#define QLXS_E_NET_RECEIVE 0xA002u       /* the reply broke off */
#define QLXS_E_NET_TIMEOUT 0xA003u       /* the server stopped answering */
#define QLXS_E_PROXY_RESOLVE 0xA010u     /* the proxy's name could not be resolved */
#define QLXS_E_PROXY_CONNECT 0xA011u     /* the proxy could not be reached */
#define QLXS_E_PROXY_AUTH 0xA012u        /* the proxy refused the credentials (407) */
#define QLXS_E_HTTP_NOT_FOUND 0xA101u    /* 404 */
#define QLXS_E_HTTP_FORBIDDEN 0xA102u    /* 401, 403 */
#define QLXS_E_HTTP_SERVER 0xA103u       /* 5xx */
#define QLXS_E_HTTP_STATUS 0xA104u       /* any other status that is not 200 */
#define QLXS_E_HTTP_REDIRECT 0xA105u     /* a redirect that leaves the update server */
#define QLXS_E_NET_URL 0xB103u           /* the update server base URL is not a plain http URL */

/* Update: the server answered, but what it sent is refused (earlier modules stay in use). */
#define QLXS_E_MANIFEST_SIGNATURE 0x9301u /* the manifest's signature does not verify */
#define QLXS_E_MANIFEST_FORMAT 0x9302u    /* the manifest cannot be read */
#define QLXS_E_MODULE_DIGEST 0x9303u      /* a module's size or SHA-256 differs from the manifest */
#define QLXS_E_MANIFEST_OLDER 0x9304u     /* the server's build is older than the stored one */
#define QLXS_E_MODULES_WRITE 0x9305u      /* the modules folder could not be written */
#define QLXS_E_UP_TO_DATE 0xD003u         /* the stored modules are already current */

/* Quarantine. */
#define QLXS_E_QUARANTINE_NOT_FOUND 0xC001u /* no item with that id */
#define QLXS_E_QUARANTINE_OCCUPIED 0xC002u  /* a different file stands at the former path */
#define QLXS_E_QUARANTINE_DAMAGED 0xC003u   /* the item's content fails its digest */
#define QLXS_E_QUARANTINE_WRITE 0xC004u     /* the item or the restored file could not be written */

/* Scanning. */
#define QLXS_E_OBJECT_OPEN 0xE001u /* the object could not be opened */

/* Constants the caller passes. */
#define QLXS_SCANNER_VERSION 0x71330001u /* qlxs_scanner_create */
#define QLXS_SETUP_DEFAULT 0x01010108u   /* qlxs_scan_setup_set_default */
#define QLXS_CLEAN_MODE_CLEAN 4
#define QLXS_CLEAN_MODE_REPORT 1
#define QLXS_LANGUAGE_ENGLISH 1033u

/* qlxs_scanner_update: out-flags. */
#define QLXS_UPDATE_STORED_NEW_MODULES 0x1u

/* qlxs_scan_result.flags */
#define QLXS_RESULT_RESTART_REQUIRED 0x8u

/* qlxs_scan_mode.targets: what a scan with an empty object name scans. */
#define QLXS_TARGETS_FILES 0u
#define QLXS_TARGETS_MEMORY 0x00FEFEFFu
#define QLXS_TARGETS_STARTUP 0x00FEFEFCu

/* Update callback kinds. */
#define QLXS_UPDATE_KIND_DOWNLOAD 1 /* a download pass begins; value = its byte total */
#define QLXS_UPDATE_KIND_FINISH 2   /* the checking and installing steps begin */

/* Folder scan notify kinds and log events. */
#define QLXS_NOTIFY_FOLDER 1
#define QLXS_NOTIFY_FILE 2
#define QLXS_EVENT_CLEAN 0      /* scanned; action code 1 or 2 when a threat was cleaned */
#define QLXS_EVENT_INFECTED 10  /* a threat was found and not cleaned */
#define QLXS_ACTION_NONE 0
#define QLXS_ACTION_DELETED 1
#define QLXS_ACTION_DELETE_AT_RESTART 2

/* Scanner information entries (qlxs_scanner_info_list_item). */
#define QLXS_INFO_LIBRARY 0
#define QLXS_INFO_ENGINE 1
#define QLXS_INFO_MODULES 2 /* build = the loaded modules' build, 0 when none */

/* ---- Opaque objects ------------------------------------------------------------------ */

typedef struct qlxs_scanner qlxs_scanner;
typedef struct qlxs_scan_setup qlxs_scan_setup;
typedef struct qlxs_scan_log_list qlxs_scan_log_list;
typedef struct qlxs_quarantine_log_list qlxs_quarantine_log_list;

/* ---- Records ------------------------------------------------------------------------- */

#define QLXS_FOLDER_CHARS 1024
#define QLXS_PROXY_HOST_CHARS 64
#define QLXS_PROXY_TEXT_CHARS 256
#define QLXS_URL_CHARS 256

/* Filled by the caller between qlxs_global_setup_create and qlxs_scanner_create. */
typedef struct qlxs_global_setup {
  uint32_t size;                                      /* 0: set by the library */
  uint32_t version;                                   /* 4: set by the library */
  uint32_t flags;                                     /* 8: 0 */
  qlxs_char modules_folder[QLXS_FOLDER_CHARS];        /* 12: base + "\Modules\" */
  qlxs_char base_folder[QLXS_FOLDER_CHARS];           /* 2060 */
  qlxs_char quarantine_folder[QLXS_FOLDER_CHARS];     /* 4108: base + "\Quarantine\" */
  qlxs_char ferry_cache_folder[QLXS_FOLDER_CHARS];    /* 6156: base + "\Ferry_Cache\" */
  qlxs_char proxy_host[QLXS_PROXY_HOST_CHARS];        /* 8204: empty = direct */
  uint32_t proxy_port;                                /* 8332 */
  qlxs_char proxy_user[QLXS_PROXY_TEXT_CHARS];        /* 8336 */
  qlxs_char proxy_password[QLXS_PROXY_TEXT_CHARS];    /* 8848 */
  uint8_t reserved[1024];                             /* 9360 */
  qlxs_char update_url[QLXS_URL_CHARS];               /* 10384: "http://host[:port]/download/engineqws3/" */
} qlxs_global_setup;

/* Allocated by qlxs_scan_mode_create with the library's defaults; the caller sets the three
 * fields at 4, 8 and 12. */
typedef struct qlxs_scan_mode {
  uint32_t size;      /* 0 */
  uint32_t clean;     /* 4: 1 = clean what is found, 0 = leave it */
  uint32_t targets;   /* 8: QLXS_TARGETS_* (default QLXS_TARGETS_FILES) */
  uint32_t log_clean; /* 12: 1 = also log the objects found clean (default 1) */
  uint32_t reserved[4];
} qlxs_scan_mode;

/* The outcome of one qlxs_scan or qlxs_scan_directory; released with qlxs_scan_result_destroy. */
typedef struct qlxs_scan_result {
  uint32_t size;             /* 0 */
  uint32_t objects_scanned;  /* 4 */
  uint32_t threats_found;    /* 8 */
  int32_t infected;          /* 12: non-zero when a threat was found */
  int32_t cleaned;           /* 16: non-zero when every threat found was cleaned */
  uint32_t threats_cleaned;  /* 20 */
  uint32_t errors;           /* 24: objects that could not be read */
  uint32_t flags;            /* 28: QLXS_RESULT_RESTART_REQUIRED */
} qlxs_scan_result;

/* One entry of a scan log; the texts live as long as their list. */
typedef struct qlxs_scan_log_item {
  const qlxs_char* object;       /* 0: "archive » member" for a member of an archive */
  const qlxs_char* result;       /* 4: "is OK" or the threat name */
  const qlxs_char* action;       /* 8: "cleaned by deleting", "deleted", ... or empty */
  const qlxs_char* extra;        /* 12: further detail (a limit that stopped an archive) */
} qlxs_scan_log_item;

/* One quarantined file; the texts live as long as their list. */
typedef struct qlxs_quarantine_item {
  uint32_t id_low;                /* 0 */
  uint32_t id_high;               /* 4 */
  const qlxs_char* former_path;   /* 8 */
  const qlxs_char* item_file;     /* 12: the quarantine file that holds it */
  uint32_t size_low;              /* 16 */
  uint32_t size_high;             /* 20 */
  uint32_t time_low;              /* 24: FILETIME of quarantining */
  uint32_t time_high;             /* 28 */
  uint32_t attributes;            /* 32: the file's attributes then */
  uint32_t reserved;              /* 36 */
  const qlxs_char* threat_name;   /* 40 */
} qlxs_quarantine_item;

/* One scanner information entry; the caller supplies the buffer. */
typedef struct qlxs_scanner_info {
  uint32_t index;          /* 0 */
  qlxs_char name[128];     /* 4 */
  qlxs_char value[148];    /* 260 */
  uint32_t reserved;       /* 556 */
  uint32_t build;          /* 560 */
} qlxs_scanner_info;

/* Telemetry settings, returned by value by qlxs_ferry_setup_create. */
typedef struct qlxs_ferry_setup {
  uint32_t size;                  /* 0 */
  qlxs_char host[256];            /* 4: telemetry host (empty = the update server's) */
  uint32_t port;                  /* 516: 0 = the update server's */
  qlxs_char path[1020];           /* 520 */
  uint32_t cache_limit_bytes;     /* 2560: bound of the telemetry cache folder */
  uint32_t send_delay_seconds;    /* 2564: pause between sends; 0 = send when asked only */
  uint32_t reserved[2];           /* 2568 */
} qlxs_ferry_setup;

/* ---- Callbacks ----------------------------------------------------------------------- */

/* Update: kind QLXS_UPDATE_KIND_DOWNLOAD with the pass's byte total, QLXS_UPDATE_KIND_FINISH
 * with 0. */
typedef void(QLXS_CALL* qlxs_update_event_callback)(uint32_t value, int32_t kind);
/* Update: bytes that arrived (downloading), or 1 per finished step (finishing); the first
 * argument carries the current kind. */
typedef void(QLXS_CALL* qlxs_update_amount_callback)(uint32_t kind, uint32_t amount);
/* Update: the name of the module being handled (its index in the manifest). */
typedef void(QLXS_CALL* qlxs_update_module_callback)(uint32_t module_index);

/* Folder scan: QLXS_NOTIFY_FOLDER / QLXS_NOTIFY_FILE with the object's name. */
typedef void(QLXS_CALL* qlxs_notify_callback)(int32_t kind, const qlxs_char* text, void* context);
/* Folder scan: percentage done (0..100). */
typedef void(QLXS_CALL* qlxs_progress_callback)(int32_t percent, void* context);
/* Folder scan: non-zero stops the scan after the current object. */
typedef int32_t(QLXS_CALL* qlxs_stop_query_callback)(void* context);
/* Folder scan: one object's log (owned by the library, valid during the call), its event
 * (QLXS_EVENT_*) and action code (QLXS_ACTION_*). */
typedef int32_t(QLXS_CALL* qlxs_log_callback)(const qlxs_scan_log_list* log, void* context,
                                              int32_t event, int32_t action);

typedef struct qlxs_scan_dir_callbacks {
  uint32_t count;                  /* 0: 5, the number of entries that follow */
  uint32_t max_depth;              /* 4: 0x7FFFFFFF = unlimited */
  qlxs_notify_callback notify;     /* 8 */
  qlxs_progress_callback progress; /* 12 */
  qlxs_stop_query_callback stop;   /* 16 */
  qlxs_log_callback log;           /* 20 */
  void* context;                   /* 24 */
} qlxs_scan_dir_callbacks;

/* ---- The 44 exports, in the order of the interface table ----------------------------- */

QLXS_EXPORT int32_t QLXS_CALL qlxs_scanner_update(qlxs_scanner* scanner, int32_t mode,
                                                  uint32_t* out_flags);                      /* 1 */
QLXS_EXPORT void QLXS_CALL qlxs_scanner_set_update_callbacks(
    qlxs_scanner* scanner, qlxs_update_event_callback event, qlxs_update_amount_callback amount,
    qlxs_update_module_callback module);                                                     /* 2 */
QLXS_EXPORT uint32_t QLXS_CALL qlxs_get_last_error(void);                                    /* 3 */
QLXS_EXPORT const qlxs_char* QLXS_CALL qlxs_get_api_version_string(void);                    /* 4 */
QLXS_EXPORT qlxs_scan_setup* QLXS_CALL qlxs_scan_setup_create(qlxs_scanner* scanner);        /* 5 */
QLXS_EXPORT void QLXS_CALL qlxs_scan_setup_set_clean_mode(qlxs_scan_setup* setup,
                                                          int32_t clean_mode);               /* 6 */
QLXS_EXPORT qlxs_scanner* QLXS_CALL qlxs_scanner_create(const qlxs_global_setup* setup,
                                                        uint32_t version);                   /* 7 */
QLXS_EXPORT int32_t QLXS_CALL qlxs_scanner_reload(qlxs_scanner* scanner);                    /* 8 */
QLXS_EXPORT uint32_t QLXS_CALL qlxs_scanner_info_list_count(void);                           /* 9 */
QLXS_EXPORT int32_t QLXS_CALL qlxs_scanner_info_list_item(qlxs_scanner* scanner, uint32_t index,
                                                          qlxs_scanner_info* info);          /* 10 */
QLXS_EXPORT qlxs_global_setup* QLXS_CALL qlxs_global_setup_create(void);                     /* 11 */
QLXS_EXPORT qlxs_scan_mode* QLXS_CALL qlxs_scan_mode_create(void);                           /* 12 */
QLXS_EXPORT int32_t QLXS_CALL qlxs_scan(const qlxs_char* object, const qlxs_char* display_name,
                                        qlxs_scan_setup* setup, const qlxs_scan_mode* mode,
                                        qlxs_scan_result** result,
                                        qlxs_scan_log_list** log);                           /* 13 */
QLXS_EXPORT int32_t QLXS_CALL qlxs_scan_directory(const qlxs_char* folder,
                                                  const qlxs_scan_dir_callbacks* callbacks,
                                                  qlxs_scan_setup* setup,
                                                  const qlxs_scan_mode* mode,
                                                  qlxs_scan_result** result,
                                                  void** reserved);                          /* 14 */
QLXS_EXPORT const qlxs_scan_log_item* QLXS_CALL qlxs_scan_log_list_item(
    const qlxs_scan_log_list* log, uint32_t index);                                          /* 15 */
QLXS_EXPORT uint32_t QLXS_CALL qlxs_scan_log_list_count(const qlxs_scan_log_list* log);      /* 16 */
QLXS_EXPORT void QLXS_CALL qlxs_scan_log_list_destroy(qlxs_scan_log_list* log);              /* 17 */
QLXS_EXPORT void QLXS_CALL qlxs_scan_setup_set_default(qlxs_scan_setup* setup,
                                                       uint32_t defaults);                   /* 18 */
QLXS_EXPORT void QLXS_CALL qlxs_scan_setup_compile(qlxs_scan_setup* setup);                  /* 19 */
QLXS_EXPORT void QLXS_CALL qlxs_scan_setup_set_sfx(qlxs_scan_setup* setup, int32_t on);      /* 20 */
QLXS_EXPORT void QLXS_CALL qlxs_scan_setup_set_rtp(qlxs_scan_setup* setup, int32_t on);      /* 21 */
QLXS_EXPORT void QLXS_CALL qlxs_scan_setup_set_archives(qlxs_scan_setup* setup, int32_t on); /* 22 */
QLXS_EXPORT void QLXS_CALL qlxs_scan_setup_set_app_unwanted(qlxs_scan_setup* setup,
                                                            int32_t on);                     /* 23 */
QLXS_EXPORT void QLXS_CALL qlxs_scan_setup_set_app_unsafe(qlxs_scan_setup* setup,
                                                          int32_t on);                       /* 24 */
QLXS_EXPORT void QLXS_CALL qlxs_scan_setup_set_app_suspicious(qlxs_scan_setup* setup,
                                                              int32_t on);                   /* 25 */
QLXS_EXPORT void QLXS_CALL qlxs_scanner_destroy(qlxs_scanner* scanner);                      /* 26 */
QLXS_EXPORT void QLXS_CALL qlxs_global_setup_destroy(qlxs_global_setup* setup);              /* 27 */
QLXS_EXPORT void QLXS_CALL qlxs_scan_setup_destroy(qlxs_scan_setup* setup);                  /* 28 */
QLXS_EXPORT void QLXS_CALL qlxs_scan_mode_destroy(qlxs_scan_mode* mode);                      /* 29 */
QLXS_EXPORT int32_t QLXS_CALL qlxs_quarantine_log_evaluate(qlxs_scanner* scanner,
                                                           qlxs_quarantine_log_list** list); /* 30 */
QLXS_EXPORT void QLXS_CALL qlxs_quarantine_log_list_destroy(qlxs_quarantine_log_list* list); /* 31 */
QLXS_EXPORT uint32_t QLXS_CALL qlxs_quarantine_log_list_count(
    const qlxs_quarantine_log_list* list);                                                   /* 32 */
QLXS_EXPORT const qlxs_quarantine_item* QLXS_CALL qlxs_quarantine_log_list_item(
    const qlxs_quarantine_log_list* list, uint32_t index);                                   /* 33 */
QLXS_EXPORT int32_t QLXS_CALL qlxs_quarantine_restore(qlxs_scanner* scanner, uint32_t id_low,
                                                      uint32_t id_high,
                                                      const qlxs_char* former_path);         /* 34 */
QLXS_EXPORT int32_t QLXS_CALL qlxs_quarantine_delete(qlxs_scanner* scanner, uint32_t id_low,
                                                     uint32_t id_high);                      /* 35 */
QLXS_EXPORT void QLXS_CALL qlxs_scan_result_destroy(qlxs_scan_result* result);               /* 36 */
QLXS_EXPORT qlxs_ferry_setup QLXS_CALL qlxs_ferry_setup_create(void);                        /* 37 */
QLXS_EXPORT int32_t QLXS_CALL qlxs_ferry_create(qlxs_scanner* scanner);                      /* 38 */
QLXS_EXPORT int32_t QLXS_CALL qlxs_ferry_setup_set(qlxs_scanner* scanner,
                                                   const qlxs_ferry_setup* setup);           /* 39 */
QLXS_EXPORT int32_t QLXS_CALL qlxs_ferry_start_send_thread(qlxs_scanner* scanner);           /* 40 */
QLXS_EXPORT int32_t QLXS_CALL qlxs_ferry_add_object(qlxs_scanner* scanner, const qlxs_char* name,
                                                    uint32_t count);                         /* 41 */
QLXS_EXPORT int32_t QLXS_CALL qlxs_ferry_send(qlxs_scanner* scanner);                        /* 42 */
QLXS_EXPORT int32_t QLXS_CALL qlxs_ferry_destroy(qlxs_scanner* scanner);                     /* 43 */
QLXS_EXPORT int32_t QLXS_CALL qlxs_set_language(uint32_t language);                          /* 44 */

#ifdef __cplusplus
}  /* extern "C" */
#endif

/* ---- Layout checks ------------------------------------------------------------------- */

#ifdef __cplusplus
#define QLXS_STATIC_ASSERT static_assert
#else
#define QLXS_STATIC_ASSERT _Static_assert
#endif
#define QLXS_AT(type, field, offset) \
  QLXS_STATIC_ASSERT(offsetof(type, field) == (offset), #type "." #field " at " #offset)

/* Records without pointers: the same offsets on every target. */
QLXS_AT(qlxs_global_setup, flags, 8);
QLXS_AT(qlxs_global_setup, modules_folder, 12);
QLXS_AT(qlxs_global_setup, base_folder, 2060);
QLXS_AT(qlxs_global_setup, quarantine_folder, 4108);
QLXS_AT(qlxs_global_setup, ferry_cache_folder, 6156);
QLXS_AT(qlxs_global_setup, proxy_host, 8204);
QLXS_AT(qlxs_global_setup, proxy_port, 8332);
QLXS_AT(qlxs_global_setup, proxy_user, 8336);
QLXS_AT(qlxs_global_setup, proxy_password, 8848);
QLXS_AT(qlxs_global_setup, update_url, 10384);
QLXS_AT(qlxs_scan_mode, clean, 4);
QLXS_AT(qlxs_scan_mode, targets, 8);
QLXS_AT(qlxs_scan_mode, log_clean, 12);
QLXS_AT(qlxs_scan_result, infected, 12);
QLXS_AT(qlxs_scan_result, cleaned, 16);
QLXS_AT(qlxs_scan_result, flags, 28);
QLXS_AT(qlxs_scanner_info, build, 560);
QLXS_STATIC_ASSERT(sizeof(qlxs_scanner_info) == 564, "qlxs_scanner_info is 564 bytes");
QLXS_AT(qlxs_ferry_setup, send_delay_seconds, 2564);
QLXS_STATIC_ASSERT(sizeof(qlxs_ferry_setup) == 2576, "qlxs_ferry_setup is 2576 bytes");
QLXS_AT(qlxs_quarantine_item, id_low, 0);
QLXS_AT(qlxs_quarantine_item, id_high, 4);
QLXS_AT(qlxs_quarantine_item, former_path, 8);
QLXS_AT(qlxs_scan_log_item, object, 0);

/* Records with pointers: the table's offsets where pointers take 4 bytes. */
#if UINTPTR_MAX == 0xFFFFFFFFu
QLXS_AT(qlxs_scan_log_item, result, 4);
QLXS_AT(qlxs_scan_log_item, action, 8);
QLXS_AT(qlxs_scan_log_item, extra, 12);
QLXS_AT(qlxs_quarantine_item, threat_name, 40);
QLXS_AT(qlxs_scan_dir_callbacks, notify, 8);
QLXS_AT(qlxs_scan_dir_callbacks, progress, 12);
QLXS_AT(qlxs_scan_dir_callbacks, stop, 16);
QLXS_AT(qlxs_scan_dir_callbacks, log, 20);
QLXS_AT(qlxs_scan_dir_callbacks, context, 24);
#endif

#undef QLXS_AT

#endif /* QLXS_API_H_ */
