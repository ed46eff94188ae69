// The setup launcher's own resources: the heading picture (bitmap 129).
#pragma once

void RegisterSetupResources();
