#ifndef QUALITY
#error QUALITY must be defined
#endif
