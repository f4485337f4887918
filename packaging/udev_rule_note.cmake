# Run by `cmake --install`: says so when the udev rule went where udev does not
# read it (below /usr/local or a home folder), since the board then stays
# closed to the user. TORVEL_UDEV_RULES_DIR is set by the install step before.
set(rules_dir "${TORVEL_UDEV_RULES_DIR}")
if(NOT IS_ABSOLUTE "${rules_dir}")
  set(rules_dir "${CMAKE_INSTALL_PREFIX}/${rules_dir}")
endif()
get_filename_component(rules_dir "${rules_dir}" ABSOLUTE)
if(NOT rules_dir MATCHES "^(/usr)?/lib/udev/rules\\.d$|^/etc/udev/rules\\.d$")
  message(WARNING
    "The udev rule was installed to ${rules_dir}, where udev does not read it, "
    "so this user may not open the board. It takes effect under /usr/lib/udev/rules.d "
    "or /etc/udev/rules.d:\n"
    "  sudo cp ${rules_dir}/70-torvelm4.rules /etc/udev/rules.d/\n"
    "  sudo udevadm control --reload-rules && sudo udevadm trigger\n")
endif()
