# Installs Solvane the way a Linux program is installed, in components, and
# makes Debian packages of them with CPack (the "package" preset, prefix /usr):
#   runtime     solvane         the program, the simulated module and its
#                               launcher, menu entries, icon, AppStream data,
#                               manual page
#   conversion  libtarvox       libTarvox.so in the system library folder,
#                               for the program and the agent alike
#   dev         solvane-dev     the interface headers for module makers
#   sigrok      solvane-sigrok  the libsigrok acquisition library and its
#                               launcher, when that library is built
#   mqtt        solvane-mqtt    the MQTT acquisition library with its launcher,
#                               to watch a module from another machine
#   recording   solvane-recording  the recording and replay libraries, their
#                               launchers solvane-record and solvane-replay,
#                               the menu entry "Solvane avec enregistrement"
#                               and "Open with" for CSV files
#   agent       solvane-agent   the agent that publishes a module over MQTT,
#                               its service (disabled), manual page, the
#                               topics' description and the broker's examples;
#                               it needs no window, so no package of the GUI
# Each acquisition library we ship lives in a private folder that only its
# launcher puts on the library search path, so it never shadows a maker's
# libQuelbin.so; the program itself finds libraries through the platform's
# search alone.
include(GNUInstallDirs)
# Folders as Debian wants them whatever the umask of the build.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
    GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(SOLVANE_INSTALL_PRIVATEDIR lib/solvane CACHE STRING
    "Folder of the acquisition libraries that only the launchers use")
set(SOLVANE_MAINTAINER "Solvane developers <dev@solvane.invalid>")

cmake_path(ABSOLUTE_PATH SOLVANE_INSTALL_PRIVATEDIR BASE_DIRECTORY ${CMAKE_INSTALL_PREFIX}
           OUTPUT_VARIABLE SOLVANE_FULL_PRIVATEDIR)
set(packagingSource ${PROJECT_SOURCE_DIR}/packaging/linux)
set(packagingBinary ${CMAKE_BINARY_DIR}/packaging)
set(manDir ${CMAKE_INSTALL_MANDIR}/man1)
set(appId org.solvane.Solvane)
set(packagingOutputs)

install(TARGETS Solvane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime)
# Loaded by the file name libTarvox.so, which is also its SONAME: ldconfig
# and dpkg know it by that name, and no versioned name or link is needed.
install(TARGETS tarvox LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT conversion)
install(FILES ${packagingSource}/libtarvox.lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME libtarvox
        COMPONENT conversion)
install(FILES ${PROJECT_SOURCE_DIR}/include/quelbin.h ${PROJECT_SOURCE_DIR}/include/tarvox.h
              ${PROJECT_SOURCE_DIR}/include/solvane_abi.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT dev)

# solvane_link_manual_page(<command> <component>): the command's manual page
# is solvane(1), which describes the program and every launcher.
function(solvane_link_manual_page command component)
    set(link ${packagingBinary}/man/${command}.1.gz)
    file(MAKE_DIRECTORY ${packagingBinary}/man)
    file(CREATE_LINK solvane.1.gz ${link} SYMBOLIC)
    install(FILES ${link} DESTINATION ${manDir} COMPONENT ${component})
endfunction()

# solvane_install_module(<library target> <launcher> <folder> <component> <module>
#                        [<launcher template>])
# Installs an acquisition library in <private dir>/<folder> and a launcher
# that starts Solvane with that folder first on the library search path
# (solvane-launcher.in unless another template is named).
function(solvane_install_module target launcher folder component module)
    set(template ${packagingSource}/solvane-launcher.in)
    if(ARGC GREATER 5)
        set(template ${packagingSource}/${ARGV5})
    endif()
    set(libraryDir ${SOLVANE_INSTALL_PRIVATEDIR}/${folder})
    install(TARGETS ${target} LIBRARY DESTINATION ${libraryDir} COMPONENT ${component})

    # The launcher finds the folder from its own place: both paths are
    # relative to the prefix, so this holds wherever the tree is unpacked.
    cmake_path(RELATIVE_PATH libraryDir BASE_DIRECTORY ${CMAKE_INSTALL_BINDIR}
               OUTPUT_VARIABLE LAUNCHER_LIBRARY_DIR_FROM_BIN)
    # The recording launcher's fall-back: the simulated module.
    cmake_path(RELATIVE_PATH SOLVANE_INSTALL_PRIVATEDIR BASE_DIRECTORY ${CMAKE_INSTALL_BINDIR}
               OUTPUT_VARIABLE privateDirFromBin)
    set(LAUNCHER_SIMULATION_DIR_FROM_BIN ${privateDirFromBin}/simulation)
    set(LAUNCHER_MODULE ${module})
    set(LAUNCHER_LIBRARY_DIR ${SOLVANE_FULL_PRIVATEDIR}/${folder})
    configure_file(${template} ${packagingBinary}/${launcher} @ONLY)
    install(PROGRAMS ${packagingBinary}/${launcher} DESTINATION ${CMAKE_INSTALL_BINDIR}
            COMPONENT ${component})
    solvane_link_manual_page(${launcher} ${component})
endfunction()

# solvane_gzip(<input> <output>): compressed the way Debian wants its manual
# pages and change logs, without name or time stamp.
function(solvane_gzip input output)
    add_custom_command(OUTPUT ${output}
        COMMAND sh -c "gzip -9n < \"$1\" > \"$2\"" gzip ${input} ${output}
        DEPENDS ${input} VERBATIM)
    set(packagingOutputs ${packagingOutputs} ${output} PARENT_SCOPE)
endfunction()

set(components runtime conversion dev recording)
solvane_install_module(quelbin_sim solvane-simulation simulation runtime "the simulated module")
# Recording beneath any module's library, and the replay of a recording.
solvane_install_module(quelbin_record solvane-record record recording "a recorded module"
                       solvane-record.in)
solvane_install_module(quelbin_replay solvane-replay replay recording "a recording"
                       solvane-replay.in)
install(FILES ${packagingSource}/${appId}.Recording.desktop ${packagingSource}/${appId}.Replay.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT recording)
install(FILES ${PROJECT_SOURCE_DIR}/docs/recording.md
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/solvane-recording COMPONENT recording)
if(TARGET quelbin_sigrok)
    solvane_install_module(quelbin_sigrok solvane-sigrok sigrok sigrok
                           "a device driven by libsigrok")
    install(TARGETS quelbin_sigrok_parts LIBRARY DESTINATION ${SOLVANE_INSTALL_PRIVATEDIR}/sigrok
            COMPONENT sigrok)
    list(APPEND components sigrok)
endif()
if(TARGET quelbin_mqtt)
    solvane_install_module(quelbin_mqtt solvane-mqtt mqtt mqtt "a module watched over MQTT")
    install(TARGETS solvane-agent RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT agent)
    configure_file(${packagingSource}/solvane-agent.1.in ${packagingBinary}/solvane-agent.1 @ONLY)
    solvane_gzip(${packagingBinary}/solvane-agent.1 ${packagingBinary}/solvane-agent.1.gz)
    install(FILES ${packagingBinary}/solvane-agent.1.gz DESTINATION ${manDir} COMPONENT agent)
    # Debian 12's place for units; CPack enables nothing: the service stays
    # disabled until the administrator enables it.
    install(FILES ${packagingSource}/solvane-agent.service DESTINATION /lib/systemd/system
            COMPONENT agent)
    # The service's options, a template the administrator fills in: a
    # configuration file of the package's, kept through upgrades.
    install(FILES ${packagingSource}/solvane-agent.default DESTINATION /etc/default
            RENAME solvane-agent COMPONENT agent)
    configure_file(${packagingSource}/solvane-agent.conffiles ${packagingBinary}/agent/conffiles
                   COPYONLY)
    install(FILES ${PROJECT_SOURCE_DIR}/docs/mqtt.md
            DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/solvane-agent COMPONENT agent)
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/mqtt/mosquitto-solvane.conf
                  ${PROJECT_SOURCE_DIR}/packaging/mqtt/solvane-acl
                  ${PROJECT_SOURCE_DIR}/packaging/mqtt/make-broker-certificates.sh
            DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/solvane-agent/examples COMPONENT agent)
    list(APPEND components mqtt agent)
endif()

# Menu entries (the program, and the program on the simulated module, which
# works on any machine), AppStream data, icon.
install(FILES ${packagingSource}/${appId}.desktop ${packagingSource}/${appId}.Simulation.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT runtime)
install(FILES ${packagingSource}/${appId}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT runtime)
set(iconDir ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
install(FILES ${packagingSource}/solvane.svg DESTINATION ${iconDir}/scalable/apps
        COMPONENT runtime)
find_program(SOLVANE_RSVG_CONVERT rsvg-convert)
if(SOLVANE_RSVG_CONVERT)
    foreach(size 16 22 24 32 48 64 128 256)
        set(png ${packagingBinary}/icons/${size}/solvane.png)
        # Ninja makes an output's folder by itself, Make does not.
        add_custom_command(OUTPUT ${png}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${packagingBinary}/icons/${size}
            COMMAND ${SOLVANE_RSVG_CONVERT} -w ${size} -h ${size}
                    -o ${png} ${packagingSource}/solvane.svg
            DEPENDS ${packagingSource}/solvane.svg VERBATIM)
        list(APPEND packagingOutputs ${png})
        install(FILES ${png} DESTINATION ${iconDir}/${size}x${size}/apps COMPONENT runtime)
    endforeach()
else()
    message(WARNING "rsvg-convert (librsvg2-bin) not found: the icon is installed as SVG only")
endif()

# Manual page, one page for the program and its launchers.
configure_file(${packagingSource}/solvane.1.in ${packagingBinary}/solvane.1 @ONLY)
solvane_gzip(${packagingBinary}/solvane.1 ${packagingBinary}/solvane.1.gz)
install(FILES ${packagingBinary}/solvane.1.gz DESTINATION ${manDir} COMPONENT runtime)
solvane_link_manual_page(Solvane runtime)

# Every package carries the copyright file and change log in its own folder.
solvane_gzip(${packagingSource}/changelog ${packagingBinary}/changelog.gz)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME solvane)
set(CPACK_DEBIAN_CONVERSION_PACKAGE_NAME libtarvox)
set(CPACK_DEBIAN_DEV_PACKAGE_NAME solvane-dev)
set(CPACK_DEBIAN_SIGROK_PACKAGE_NAME solvane-sigrok)
set(CPACK_DEBIAN_MQTT_PACKAGE_NAME solvane-mqtt)
set(CPACK_DEBIAN_AGENT_PACKAGE_NAME solvane-agent)
set(CPACK_DEBIAN_RECORDING_PACKAGE_NAME solvane-recording)
foreach(component IN LISTS components)
    string(TOUPPER ${component} upper)
    install(FILES ${packagingSource}/copyright ${packagingBinary}/changelog.gz
            DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${CPACK_DEBIAN_${upper}_PACKAGE_NAME}
            COMPONENT ${component})
endforeach()
add_custom_target(solvane_packaging ALL DEPENDS ${packagingOutputs})

# Debian packages.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME solvane)
set(CPACK_PACKAGE_VERSION 1.00) # the version the program shows
set(CPACK_PACKAGE_VENDOR "Solvane developers")
set(CPACK_PACKAGE_CONTACT ${SOLVANE_MAINTAINER}) # the packages' maintainer
# Each package's description below begins with its own summary line.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "")
set(CPACK_COMPONENTS_ALL ${components})
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION science)
# The window's captions were designed for Arial's metrics, which Liberation
# Sans has; without it a smaller size of another font keeps them whole.
set(CPACK_DEBIAN_RUNTIME_PACKAGE_RECOMMENDS fonts-liberation2)
set(CPACK_DEBIAN_RUNTIME_DESCRIPTION "monitor for a data-acquisition module
Solvane shows, in one window with French texts, whether a data-acquisition
module is connected, how many sensors and commands it offers, a running log
of a chosen sensor's raw data decoded by its data type, and sends a chosen
command to the module.

It talks to the module through the maker's acquisition library,
libQuelbin.so, found by the system's library search. The package ships a
simulated module, started with solvane-simulation, to see every feature
without hardware.")

set(CPACK_DEBIAN_CONVERSION_PACKAGE_SECTION libs)
# libTarvox.so is in a folder that ldconfig caches: dpkg's trigger updates it.
set(CPACK_DEBIAN_CONVERSION_PACKAGE_CONTROL_EXTRA ${packagingSource}/triggers)
set(CPACK_DEBIAN_CONVERSION_DESCRIPTION "conversion library of Solvane's sensor data types
libTarvox.so turns the raw bytes of one sensor value into a typed value
(truth value, 8-, 16- or 32-bit integer, 32- or 64-bit floating-point
number). Solvane and solvane-agent load it by that name through the
system's library search.")

set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEV_PACKAGE_ARCHITECTURE all)
set(CPACK_DEBIAN_DEV_DESCRIPTION "interface headers of Solvane's libraries
The C headers of the two libraries that Solvane loads at run time: quelbin.h,
which a module maker's acquisition library libQuelbin.so implements, and
tarvox.h, the interface of the conversion library libTarvox.so.")

set(CPACK_DEBIAN_SIGROK_PACKAGE_SECTION science)
set(CPACK_DEBIAN_SIGROK_DESCRIPTION "Solvane on devices driven by libsigrok
An acquisition library for Solvane built on libsigrok, in a private folder,
and the launcher solvane-sigrok that starts Solvane with it. The device and
its settings come from the variables SOLVANE_SIGROK_DEVICE and
SOLVANE_SIGROK_CONFIG.")

set(CPACK_DEBIAN_MQTT_PACKAGE_SECTION science)
set(CPACK_DEBIAN_MQTT_DESCRIPTION "Solvane over MQTT: watch a module from another machine
An acquisition library for Solvane, in a private folder with the launcher
solvane-mqtt, that reads back a module published by solvane-agent to an
MQTT broker (TLS, user names and passwords supported), so that Solvane
watches and commands it from any machine; SOLVANE_MQTT_URL names the broker
and the module.")

set(CPACK_DEBIAN_RECORDING_PACKAGE_SECTION science)
set(CPACK_DEBIAN_RECORDING_DESCRIPTION "Solvane's recording of a module, and its replay
An acquisition library for Solvane that sits beneath the program or
solvane-agent and above the module's own library, passes every call on and
records what the module said into CSV files that open in a spreadsheet set
for France or in data tools; and one that plays such a file back as a
module. The launcher solvane-record, also in the menu, records;
solvane-replay FILE replays, and CSV files offer it among the applications
that open them.")

set(CPACK_DEBIAN_AGENT_PACKAGE_SECTION science)
set(CPACK_DEBIAN_AGENT_PACKAGE_CONTROL_EXTRA ${packagingBinary}/agent/conffiles)
set(CPACK_DEBIAN_AGENT_DESCRIPTION "publishes a data-acquisition module over MQTT, without a window
solvane-agent runs beside a data-acquisition module, loads its acquisition
library as Solvane would, and publishes the module to an MQTT broker (TLS,
user names and passwords supported) for Solvane to watch from any machine
with solvane-mqtt. It shows nothing and needs no display; its systemd unit
is installed disabled. The topics' description and a broker's example
set-up come with it.")

include(CPack)
# The program and the agent both load the conversion library; the rest
# extends the program.
cpack_add_component(conversion)
cpack_add_component(runtime DEPENDS conversion)
cpack_add_component(agent DEPENDS conversion)
foreach(component IN LISTS components)
    if(NOT component MATCHES "^(conversion|runtime|agent)$")
        cpack_add_component(${component} DEPENDS runtime)
    endif()
endforeach()
