# Sourced by run.sh and test.sh: installs the Debian packages Lumio needs when
# any is missing, then configures and builds. Usage: lumio_setup BUILD_DIR [cmake args...]

LUMIO_BUILD_PACKAGES=(
    cmake g++ make pkg-config
    nlohmann-json3-dev
    qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-webengine-dev
    qt6-webchannel-dev qt6-multimedia-dev qt6-qpa-plugins
    libx11-dev libxss-dev libxcb-screensaver0-dev libxcb-sync-dev libgl-dev
    libwayland-dev wayland-protocols plasma-wayland-protocols qt6-wayland qt6-wayland-dev
    qt6-base-private-dev
    fonts-noto-core fonts-noto-color-emoji
)
LUMIO_TEST_PACKAGES=(
    libgtest-dev libgmock-dev libbenchmark-dev
    xvfb xauth x11-utils xdotool xcompmgr imagemagick
    tzdata dbus dbus-daemon dbus-x11 desktop-file-utils appstream pulseaudio pulseaudio-utils
    python3 python3-gi python3-xlib python3-pytest
    chromium dpkg-dev lintian
    sway swaybg grim foot xwayland wtype gir1.2-gtk-3.0
)
# The heavier Wayland desktops, installed only for LUMIO_TEST_DESKTOPS=gnome,kde.
LUMIO_GNOME_PACKAGES=(
    gnome-shell gnome-shell-extension-appindicator gnome-screenshot gnome-session-bin
    gnome-settings-daemon xterm gir1.2-gtk-3.0
)
LUMIO_KDE_PACKAGES=(
    kwin-wayland plasma-workspace plasma-desktop kde-spectacle breeze
    qml-module-org-kde-kirigami2 qtwayland5 xterm gir1.2-gtk-3.0
)
LUMIO_DEMO_PACKAGES=(xvfb xauth xcompmgr imagemagick x11-utils dbus-daemon dbus-bin)

lumio_install() {
    local missing=()
    local pkg
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" ||
            missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# Node.js may come from elsewhere than Debian (its own npm then conflicts with
# Debian's), so only a missing command asks for the packages.
lumio_install_node() {
    command -v node >/dev/null && command -v npm >/dev/null && return 0
    lumio_install nodejs npm
}

lumio_setup() {
    local build_dir=$1
    shift
    cmake -S "$LUMIO_ROOT" -B "$build_dir" "$@" >/dev/null
    cmake --build "$build_dir" -j"$(nproc)"
}
