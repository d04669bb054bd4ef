# SPDX-License-Identifier: GPL-3.0-or-later
# Writes the component file at install time, naming the engine where it is installed: the prefix of
# an install or of a package is known only then. Given `source`, `libexecdir`, `datadir` and
# PROJECT_VERSION.
set(KEYVANE_IBUS_EXEC "${CMAKE_INSTALL_PREFIX}/${libexecdir}/ibus-engine-keyvane")
configure_file("${source}" "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/${datadir}/ibus/component/keyvane.xml" @ONLY)
