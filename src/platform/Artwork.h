// Kept until the editor moves over: the pictures now live beside the tile graphics they share
// their shades with, in rom/Artwork.h.
#pragma once

#include "rom/Artwork.h"
