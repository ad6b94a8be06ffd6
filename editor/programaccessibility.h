#pragma once

// The editor's picture controls for assistive technology: the command tiles and top-menu
// buttons are buttons, the program tabs are page tabs with their selection.
namespace ProgramAccessibility {

// Installs the kit's keyboard access and these controls once; later calls do nothing. The main
// window calls it before it builds.
void install();

} // namespace ProgramAccessibility
