// The scanning library's exports in binding order. X(name, required)
#pragma once

#define QWS_SCANNER_EXPORTS(X)                 \
  X(qlxs_scanner_update, true)                 \
  X(qlxs_scanner_set_update_callbacks, true)   \
  X(qlxs_get_last_error, true)                 \
  X(qlxs_get_api_version_string, true)         \
  X(qlxs_scan_setup_create, true)              \
  X(qlxs_scan_setup_set_clean_mode, true)      \
  X(qlxs_scanner_create, true)                 \
  X(qlxs_scanner_reload, true)                 \
  X(qlxs_scanner_info_list_count, false)       \
  X(qlxs_scanner_info_list_item, false)        \
  X(qlxs_global_setup_create, true)            \
  X(qlxs_scan_mode_create, true)               \
  X(qlxs_scan, true)                           \
  X(qlxs_scan_directory, true)                 \
  X(qlxs_scan_log_list_item, true)             \
  X(qlxs_scan_log_list_count, true)            \
  X(qlxs_scan_log_list_destroy, true)          \
  X(qlxs_scan_setup_set_default, true)         \
  X(qlxs_scan_setup_compile, true)             \
  X(qlxs_scan_setup_set_sfx, true)             \
  X(qlxs_scan_setup_set_rtp, true)             \
  X(qlxs_scan_setup_set_archives, true)        \
  X(qlxs_scan_setup_set_app_unwanted, true)    \
  X(qlxs_scan_setup_set_app_unsafe, true)      \
  X(qlxs_scan_setup_set_app_suspicious, true)  \
  X(qlxs_scanner_destroy, true)                \
  X(qlxs_global_setup_destroy, true)           \
  X(qlxs_scan_setup_destroy, true)             \
  X(qlxs_scan_mode_destroy, true)              \
  X(qlxs_quarantine_log_evaluate, true)        \
  X(qlxs_quarantine_log_list_destroy, true)    \
  X(qlxs_quarantine_log_list_count, true)      \
  X(qlxs_quarantine_log_list_item, true)       \
  X(qlxs_quarantine_restore, true)             \
  X(qlxs_quarantine_delete, true)              \
  X(qlxs_scan_result_destroy, true)            \
  X(qlxs_ferry_setup_create, true)             \
  X(qlxs_ferry_create, true)                   \
  X(qlxs_ferry_setup_set, true)                \
  X(qlxs_ferry_start_send_thread, true)        \
  X(qlxs_ferry_add_object, true)               \
  X(qlxs_ferry_send, true)                     \
  X(qlxs_ferry_destroy, true)                  \
  X(qlxs_set_language, true)
