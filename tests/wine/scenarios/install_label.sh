# A label install on the single parallel port: the language monitor (our
# placeholder DLL) is copied to the system folder and registered, the driver
# is registered with it and no copy stays beside the driver folder's version
# folder.
scenario_begin install_label
source "$(dirname "${BASH_SOURCE[0]}")/install_common.bash"

if install_prepare && install_run "LX-3(Label)" install_label; then
  check_installed "LX-3(Label)" LPT1:
  check_has_line "the language monitor is registered" "Advanced Language Monitor" \
    "$(drive monitors)"
  check_ok "the monitor DLL is in $MONITOR_DLL_PATH" exists_on_c "$MONITOR_DLL_PATH"
  e=$LABEL_ENGINE
  check_driver_files "" LBXDRV$e.DLL LBXUI$e.DLL LBXENG$e.DLL LBXPBR$e.DLL LXF3.DAT LXF3.BA0 \
    LXF3.PP0 THERMAL.chm
fi
end_program "the window is closed"
