// The French texts of the map page.
window.MAP_TEXTS = {
    roadmap: 'Plan',
    terrain: 'Relief',
    balloons: 'Bulles'
};
